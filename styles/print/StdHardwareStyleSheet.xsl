<?xml version="1.0" encoding="UTF-8"?>
<!--
  Hardware report for paper: the same content as the screen page (whose
  templates it imports), laid out for A4. Compact type, black on white, no
  colour, no navigation; tables repeat their heads and no row, card or
  device row is split across pages.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

  <xsl:import href="../StdHardwareStyleSheet.xsl"/>

  <xsl:output method="html" encoding="UTF-8" indent="no" doctype-system="about:legacy-compat"/>

  <xsl:template match="/">
    <html lang="en">
      <head>
        <title>
          <xsl:text>Hardware report</xsl:text>
          <xsl:if test="normalize-space(HARDWARE/SystemOverview/SystemName[1]) != ''">
            <xsl:text> – </xsl:text>
            <xsl:value-of select="HARDWARE/SystemOverview/SystemName[1]"/>
          </xsl:if>
        </title>
        <style>
@page { size: A4; margin: 14mm 14mm 16mm; }
* { box-sizing: border-box; }
html, body { background: #fff; color: #000; }
body { margin: 0; font: 8.5pt/1.35 "Helvetica Neue", Arial, "Noto Sans", "Noto Sans CJK JP", sans-serif; }
.page { max-width: 182mm; margin: 0 auto; }
.toc { display: none; }
.masthead { display: flex; justify-content: space-between; align-items: flex-end; gap: 12pt; padding-bottom: 4pt; border-bottom: 1.5pt solid #000; }
.kicker { margin: 0; font-size: 7pt; letter-spacing: .08em; text-transform: uppercase; }
h1 { margin: 0; font-size: 15pt; line-height: 1.2; overflow-wrap: anywhere; }
.subtitle { margin: 1pt 0 0; font-size: 9pt; }
.meta { display: grid; grid-template-columns: auto auto; gap: 0 8pt; margin: 0; }
.meta dd { margin: 0; font-weight: bold; overflow-wrap: anywhere; }
section.part { margin-top: 10pt; }
h2 { margin: 0 0 4pt; padding-bottom: 1pt; font-size: 11pt; border-bottom: .75pt solid #000; break-after: avoid; page-break-after: avoid; }
h3 { margin: 6pt 0 3pt; font-size: 7.5pt; letter-spacing: .05em; text-transform: uppercase; break-after: avoid; page-break-after: avoid; }
h2 + h3 { margin-top: 2pt; }
.card { border: .5pt solid #000; padding: 4pt 6pt; break-inside: avoid; page-break-inside: avoid; }
.cards { display: grid; grid-template-columns: 1fr 1fr; gap: 4pt; }
.card-title { margin: 0 0 2pt; font-size: 9pt; letter-spacing: 0; text-transform: none; overflow-wrap: anywhere; }
.fields { display: grid; grid-template-columns: max-content 1fr; gap: 0 8pt; margin: 0; }
.fields > div { display: contents; }
.fields dd { margin: 0; overflow-wrap: anywhere; }
.overview { display: grid; grid-template-columns: repeat(3, 1fr); gap: 3pt 10pt; margin: 0; }
.overview > div { break-inside: avoid; page-break-inside: avoid; }
.overview dt { font-size: 6.5pt; letter-spacing: .04em; text-transform: uppercase; }
.overview dd { margin: 0; overflow-wrap: anywhere; }
table.data { width: 100%; border-collapse: collapse; }
table.data thead { display: table-header-group; }
table.data th, table.data td { padding: 1.5pt 4pt; text-align: left; vertical-align: top; border-bottom: .5pt solid #000; overflow-wrap: anywhere; }
table.data thead th { font-size: 6.5pt; letter-spacing: .04em; text-transform: uppercase; border-bottom: 1pt solid #000; }
table.data tr { break-inside: avoid; page-break-inside: avoid; }
table.data .num { text-align: right; white-space: nowrap; }
table.data td.kind { white-space: nowrap; width: 1%; }
.addrs { list-style: none; margin: 0; padding: 0; }
.addrs .addr, .addrs .mask { white-space: nowrap; }
.free { display: flex; align-items: center; gap: 4pt; }
.bar { flex: 0 0 36pt; height: 5pt; border: .5pt solid #000; }
.bar .fill { display: block; height: 100%; background: #000; -webkit-print-color-adjust: exact; print-color-adjust: exact; }
.free .pct { white-space: nowrap; }
.bar.low + .pct { font-weight: bold; }
.boxes { display: grid; gap: 4pt; }
.drow { display: grid; grid-template-columns: 1fr 1fr; gap: 0 8pt; padding: 2pt 0; break-inside: avoid; page-break-inside: avoid; }
.drow + .drow { border-top: .5pt solid #000; }
.dcol { min-width: 0; }
.dcol.wide { grid-column: 1 / -1; }
.dcol.align-left { text-align: left; }
.dcol.align-right { text-align: right; }
.dcol.align-center { text-align: center; }
.dname { font-size: 6.5pt; text-transform: uppercase; letter-spacing: .04em; }
.dvalue { overflow-wrap: anywhere; }
.dcol.head .dvalue { font-weight: bold; }
.empty-note { margin: 0; font-style: italic; }
a { color: inherit; text-decoration: none; }
        </style>
      </head>
      <body>
        <div class="page">
          <xsl:choose>
            <xsl:when test="HARDWARE">
              <xsl:apply-templates select="HARDWARE"/>
            </xsl:when>
            <xsl:otherwise>
              <p class="empty-note">This document holds no hardware report.</p>
            </xsl:otherwise>
          </xsl:choose>
        </div>
      </body>
    </html>
  </xsl:template>

  <!-- On paper an empty value is a plain dash. -->
  <xsl:template name="value">
    <xsl:param name="node" select="."/>
    <xsl:choose>
      <xsl:when test="normalize-space($node) = ''">–</xsl:when>
      <xsl:otherwise><xsl:value-of select="$node"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

</xsl:stylesheet>
