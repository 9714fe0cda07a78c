<?xml version="1.0" encoding="UTF-8"?>
<!--
  Hardware report for paper: the same content as the screen page (whose
  templates it imports), laid out for A4. Compact type, black on white, no
  colour, no navigation; tables repeat their heads, no row, card or device
  row is split across pages, no heading is left at the foot of a page, and
  every page carries the PC's name and its page number.
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
@page {
  size: A4; margin: 12mm 13mm 14mm;
  /* Claiming the top margin keeps the browser's own header (date, title) off the page. */
  @top-left { content: ""; }
  @bottom-left { font: 7pt Arial, "Noto Sans", sans-serif; vertical-align: top; padding-top: 3mm; }
  @bottom-right { content: "Page " counter(page) " of " counter(pages); font: 7pt Arial, "Noto Sans", sans-serif; vertical-align: top; padding-top: 3mm; }
}
* { box-sizing: border-box; }
html, body { background: #fff; color: #000; }
body { margin: 0; font: 8.5pt/1.3 "Helvetica Neue", Arial, "Noto Sans", "Noto Sans CJK JP", sans-serif; }
.page { max-width: 184mm; margin: 0 auto; }
.toc { display: none; }
.masthead { display: flex; justify-content: space-between; align-items: flex-end; gap: 12pt; padding-bottom: 4pt; border-bottom: 1.5pt solid #000; }
.kicker { margin: 0; font-size: 7pt; letter-spacing: .08em; text-transform: uppercase; }
h1 { margin: 0; font-size: 15pt; line-height: 1.2; overflow-wrap: anywhere; }
.subtitle { margin: 1pt 0 0; font-size: 9pt; }
.meta { display: grid; grid-template-columns: auto auto; gap: 0 8pt; margin: 0; }
.meta dd { margin: 0; font-weight: bold; overflow-wrap: anywhere; }
section.part { margin-top: 8pt; }
h2 { margin: 0 0 3pt; padding-bottom: 1pt; font-size: 11pt; border-bottom: .75pt solid #000; }
h3 { margin: 5pt 0 2pt; font-size: 7.5pt; letter-spacing: .05em; text-transform: uppercase; }
h2 + h3 { margin-top: 2pt; }
/* A heading stays with what follows it. */
h2, h3 { break-after: avoid; page-break-after: avoid; break-inside: avoid; }
.card { border: .5pt solid #000; padding: 3pt 6pt; break-inside: avoid; page-break-inside: avoid; }
/* One card spans the width; two or more share it. */
.cards { display: grid; grid-template-columns: repeat(auto-fit, minmax(80mm, 1fr)); gap: 4pt; }
.card-title { margin: 0 0 2pt; font-size: 9pt; letter-spacing: 0; text-transform: none; overflow-wrap: anywhere; }
.fields { display: grid; grid-template-columns: repeat(auto-fill, minmax(78mm, 1fr)); gap: 0 10pt; margin: 0; }
.fields > div { display: grid; grid-template-columns: 34mm 1fr; gap: 0 4pt; }
.fields dd { margin: 0; overflow-wrap: anywhere; }
.overview { display: grid; grid-template-columns: repeat(4, 1fr); gap: 3pt 8pt; margin: 0; }
.overview > div { break-inside: avoid; page-break-inside: avoid; }
.overview dt { font-size: 6.5pt; letter-spacing: .04em; text-transform: uppercase; }
.overview dd { margin: 0; overflow-wrap: anywhere; }
table.data { width: 100%; border-collapse: collapse; }
table.data thead { display: table-header-group; }
table.data th, table.data td { padding: 1pt 4pt; text-align: left; vertical-align: top; border-bottom: .5pt solid #000; overflow-wrap: anywhere; }
table.data thead th { font-size: 6.5pt; letter-spacing: .04em; text-transform: uppercase; border-bottom: 1pt solid #000; }
table.data tr { break-inside: avoid; page-break-inside: avoid; }
table.data .num { text-align: right; white-space: nowrap; }
table.data td.kind { white-space: nowrap; width: 1%; }
.also { font-size: 7.5pt; }
.addrs { list-style: none; margin: 0; padding: 0; }
.addrs .addr, .addrs .mask { white-space: nowrap; }
.free { display: flex; align-items: center; gap: 4pt; }
.bar { flex: 0 0 36pt; height: 5pt; border: .5pt solid #000; }
.bar .fill { display: block; height: 100%; background: #000; -webkit-print-color-adjust: exact; print-color-adjust: exact; }
.free .pct { white-space: nowrap; }
.bar.low + .pct { font-weight: bold; }
/* A box of user-defined devices may run onto the next page between its rows. */
.boxes { display: grid; gap: 4pt; }
.card.box { break-inside: auto; page-break-inside: auto; }
.drow { display: grid; grid-template-columns: 1fr 1fr; gap: 0 8pt; padding: 1pt 0; break-inside: avoid; page-break-inside: avoid; }
.drow + .drow { border-top: .5pt solid #000; }
.dcol { min-width: 0; display: grid; grid-template-columns: 27mm 1fr; gap: 0 6pt; align-items: baseline; }
.dcol.wide { grid-column: 1 / -1; }
.dcol.align-left { text-align: left; }
.dcol.align-right { text-align: right; }
.dcol.align-center { text-align: center; }
.dname { font-size: 6.5pt; text-transform: uppercase; letter-spacing: .04em; overflow-wrap: anywhere; }
.dvalue { overflow-wrap: anywhere; }
.dcol.head .dvalue { font-weight: bold; }
.empty-note { margin: 0; font-style: italic; }
a { color: inherit; text-decoration: none; }
        </style>
        <xsl:call-template name="page-footer"/>
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
