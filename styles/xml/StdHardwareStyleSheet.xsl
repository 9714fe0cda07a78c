<?xml version="1.0" encoding="UTF-8"?>
<!--
  The report document itself: an identity transform. What comes out is the
  same tree of elements, attributes, text and processing instructions that
  the component wrote; only the serialisation is the XML writer's own (a
  UTF-8 declaration, LF line ends, empty elements as <Name/>, quotes in text
  unescaped).
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

  <xsl:output method="xml" encoding="UTF-8" indent="no"/>

  <xsl:param name="PathName"/>

  <xsl:template match="@*|node()">
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
    </xsl:copy>
  </xsl:template>

</xsl:stylesheet>
