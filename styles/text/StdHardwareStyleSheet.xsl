<?xml version="1.0" encoding="UTF-8"?>
<!--
  Hardware report as plain text: a title, the company and user, then each
  section under an underlined heading with one "Label:  value" line per
  value, labels padded so the values line up. Devices with several values
  form an indented block under their own heading; single-value devices are
  one line. The words (labels, device kinds) come from the screen page,
  whose templates this imports. Lines end in LF.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

  <xsl:import href="../StdHardwareStyleSheet.xsl"/>

  <xsl:output method="text" encoding="UTF-8"/>

  <xsl:variable name="nl" select="'&#10;'"/>
  <!-- Width of the label column, colon included. -->
  <xsl:variable name="labelWidth" select="24"/>
  <xsl:variable name="spaces" select="'                                                            '"/>

  <xsl:template match="/">
    <xsl:choose>
      <xsl:when test="HARDWARE">
        <xsl:apply-templates select="HARDWARE" mode="text"/>
      </xsl:when>
      <xsl:otherwise>
        <xsl:text>This document holds no hardware report.</xsl:text>
        <xsl:value-of select="$nl"/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="HARDWARE" mode="text">
    <xsl:variable name="title">
      <xsl:text>Hardware report</xsl:text>
      <xsl:if test="normalize-space(SystemOverview[1]/SystemName[1]) != ''">
        <xsl:text>: </xsl:text>
        <xsl:value-of select="normalize-space(SystemOverview[1]/SystemName[1])"/>
      </xsl:if>
    </xsl:variable>
    <xsl:call-template name="heading">
      <xsl:with-param name="text" select="$title"/>
      <xsl:with-param name="rule" select="'='"/>
    </xsl:call-template>
    <xsl:call-template name="line">
      <xsl:with-param name="label" select="'Company'"/>
      <xsl:with-param name="node" select="CompanyName"/>
    </xsl:call-template>
    <xsl:call-template name="line">
      <xsl:with-param name="label" select="'User'"/>
      <xsl:with-param name="node" select="User"/>
    </xsl:call-template>
    <!-- Fixed order, whatever order the document happens to hold. -->
    <xsl:apply-templates select="SystemOverview" mode="text"/>
    <xsl:apply-templates select="CPU_BIOS" mode="text"/>
    <xsl:apply-templates select="MotherBoard_Slots" mode="text"/>
    <xsl:apply-templates select="NetworkAdapters" mode="text"/>
    <xsl:apply-templates select="VideoAdapters" mode="text"/>
    <xsl:apply-templates select="DiskDrives" mode="text"/>
    <xsl:apply-templates select="Printers" mode="text"/>
    <xsl:apply-templates select="Peripherals" mode="text"/>
    <xsl:apply-templates select="Additional[1]" mode="text"/>
  </xsl:template>

  <!-- ===== Sections ===== -->

  <xsl:template match="SystemOverview" mode="text">
    <xsl:call-template name="section-heading"><xsl:with-param name="text" select="'System overview'"/></xsl:call-template>
    <xsl:apply-templates select="*" mode="line"/>
  </xsl:template>

  <xsl:template match="CPU_BIOS" mode="text">
    <xsl:call-template name="section-heading"><xsl:with-param name="text" select="'Processor and BIOS'"/></xsl:call-template>
    <xsl:apply-templates select="*" mode="row"/>
  </xsl:template>

  <xsl:template match="MotherBoard_Slots" mode="text">
    <xsl:call-template name="section-heading"><xsl:with-param name="text" select="'Mother board and slots'"/></xsl:call-template>
    <xsl:apply-templates select="*" mode="row"/>
  </xsl:template>

  <xsl:template match="NetworkAdapters" mode="text">
    <xsl:call-template name="section-heading"><xsl:with-param name="text" select="'Network adapters'"/></xsl:call-template>
    <xsl:apply-templates select="*" mode="row"/>
  </xsl:template>

  <xsl:template match="VideoAdapters" mode="text">
    <xsl:call-template name="section-heading"><xsl:with-param name="text" select="'Video adapters and monitors'"/></xsl:call-template>
    <xsl:apply-templates select="*" mode="row"/>
  </xsl:template>

  <xsl:template match="DiskDrives" mode="text">
    <xsl:call-template name="section-heading"><xsl:with-param name="text" select="'Disk drives'"/></xsl:call-template>
    <xsl:apply-templates select="*" mode="row"/>
  </xsl:template>

  <xsl:template match="Printers" mode="text">
    <xsl:call-template name="section-heading"><xsl:with-param name="text" select="'Printers'"/></xsl:call-template>
    <xsl:apply-templates select="*" mode="row"/>
  </xsl:template>

  <xsl:template match="Peripherals" mode="text">
    <xsl:call-template name="section-heading"><xsl:with-param name="text" select="'Peripherals'"/></xsl:call-template>
    <xsl:apply-templates select="*" mode="row"/>
  </xsl:template>

  <!-- All Additional boxes form one section; a blank line between boxes. -->
  <xsl:template match="Additional" mode="text">
    <xsl:call-template name="section-heading"><xsl:with-param name="text" select="'Additional hardware'"/></xsl:call-template>
    <xsl:choose>
      <xsl:when test="../Additional/DataRow">
        <xsl:for-each select="../Additional[DataRow]">
          <xsl:if test="position() &gt; 1"><xsl:value-of select="$nl"/></xsl:if>
          <xsl:for-each select="DataRow/DataCol">
            <xsl:call-template name="line">
              <xsl:with-param name="label" select="normalize-space(Name)"/>
              <xsl:with-param name="node" select="Value"/>
            </xsl:call-template>
          </xsl:for-each>
        </xsl:for-each>
      </xsl:when>
      <xsl:otherwise>
        <xsl:text>No values recorded.</xsl:text>
        <xsl:value-of select="$nl"/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- ===== Rows and lines ===== -->

  <!-- A device with one value is one line; with more, a titled block. -->
  <xsl:template match="*" mode="row">
    <xsl:variable name="kind"><xsl:call-template name="kind"/></xsl:variable>
    <xsl:choose>
      <xsl:when test="count(*) = 1">
        <xsl:call-template name="line">
          <xsl:with-param name="label" select="$kind"/>
          <xsl:with-param name="node" select="*"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:value-of select="$kind"/>
        <xsl:if test="count(../*[local-name() = local-name(current())]) &gt; 1">
          <xsl:text> </xsl:text>
          <xsl:value-of select="count(preceding-sibling::*[local-name() = local-name(current())]) + 1"/>
        </xsl:if>
        <xsl:value-of select="$nl"/>
        <xsl:apply-templates select="*" mode="line">
          <xsl:with-param name="indent" select="'  '"/>
        </xsl:apply-templates>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="*" mode="line">
    <xsl:param name="indent" select="''"/>
    <xsl:variable name="label"><xsl:call-template name="label"/></xsl:variable>
    <xsl:call-template name="line">
      <xsl:with-param name="label" select="$label"/>
      <xsl:with-param name="node" select="."/>
      <xsl:with-param name="indent" select="$indent"/>
    </xsl:call-template>
  </xsl:template>

  <!-- The addresses of an adapter on one line: "address / mask, ...". -->
  <xsl:template match="IPAddresses" mode="line">
    <xsl:param name="indent" select="''"/>
    <xsl:variable name="label"><xsl:call-template name="label"/></xsl:variable>
    <xsl:variable name="list">
      <xsl:for-each select="NetworkIPAddress">
        <xsl:if test="position() &gt; 1">, </xsl:if>
        <xsl:value-of select="normalize-space(IPAddress)"/>
        <xsl:if test="normalize-space(IPSubnet) != ''">
          <xsl:text> / </xsl:text>
          <xsl:value-of select="normalize-space(IPSubnet)"/>
        </xsl:if>
      </xsl:for-each>
    </xsl:variable>
    <xsl:call-template name="line">
      <xsl:with-param name="label" select="$label"/>
      <xsl:with-param name="node" select="$list"/>
      <xsl:with-param name="indent" select="$indent"/>
    </xsl:call-template>
  </xsl:template>

  <xsl:template match="FreePerCent" mode="line">
    <xsl:param name="indent" select="''"/>
    <xsl:variable name="label"><xsl:call-template name="label"/></xsl:variable>
    <xsl:call-template name="line">
      <xsl:with-param name="label" select="$label"/>
      <xsl:with-param name="node" select="concat(normalize-space(.), substring(' %', 1, 2 * (normalize-space(.) != '')))"/>
      <xsl:with-param name="indent" select="$indent"/>
    </xsl:call-template>
  </xsl:template>

  <!-- indent + "label:" padded to the label column + the value (or "-"). -->
  <xsl:template name="line">
    <xsl:param name="label"/>
    <xsl:param name="node"/>
    <xsl:param name="indent" select="''"/>
    <xsl:variable name="head" select="concat($indent, $label, ':')"/>
    <xsl:value-of select="$head"/>
    <xsl:value-of select="substring($spaces, 1, $labelWidth - string-length($head))"/>
    <xsl:text> </xsl:text>
    <xsl:choose>
      <xsl:when test="normalize-space($node) = ''">-</xsl:when>
      <xsl:otherwise><xsl:value-of select="normalize-space($node)"/></xsl:otherwise>
    </xsl:choose>
    <xsl:value-of select="$nl"/>
  </xsl:template>

  <xsl:template name="section-heading">
    <xsl:param name="text"/>
    <xsl:value-of select="$nl"/>
    <xsl:call-template name="heading">
      <xsl:with-param name="text" select="$text"/>
      <xsl:with-param name="rule" select="'-'"/>
    </xsl:call-template>
  </xsl:template>

  <xsl:template name="heading">
    <xsl:param name="text"/>
    <xsl:param name="rule"/>
    <xsl:value-of select="$text"/>
    <xsl:value-of select="$nl"/>
    <xsl:value-of select="translate(substring($spaces, 1, string-length($text)), ' ', $rule)"/>
    <xsl:value-of select="$nl"/>
  </xsl:template>

</xsl:stylesheet>
