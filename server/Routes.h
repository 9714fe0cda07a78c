// The server's pages: the fleet with its search, each PC's report in every
// format of `hwconsole report`, and the health check.
#pragma once

#include <string>

#include "server/WebServer.h"

// Adds GET /, /pc/ID, /pc/ID.xml, /pc/ID.txt, /pc/ID/print and /healthz.
// The report formats are resolved against the Styles folder of the
// component at options.componentPath; false with `error` set when one
// cannot be.
bool AddPageRoutes(WebServer& server, std::string& error);

// Adds GET /query (the named queries with their parameters as forms) and
// GET /query/NAME?PARAMETER=VALUE...[&format=csv|json]: the result page,
// its PC names linking to /pc/ID, or its rows as a download. The statements
// run on the worker's read-only connection (options.queryConnect); without
// one the pages say that queries are off. No free SQL.
void AddQueryRoutes(WebServer& server);

// Adds GET /pc/ID/changes (a PC's changes, newest first) and GET /changes
// (the fleet's, those whose memory, disk count or serial number changed
// first), each taking ?since=DATE (by default /changes shows the last 7
// days) and ?all=1; pages of history/Changes.h, PCs linking to /pc/ID.
void AddChangeRoutes(WebServer& server);
