<?xml version="1.0"?><x/>
