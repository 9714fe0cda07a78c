<?xml version="1.0" encoding="UTF-8"?>
<!--
  Fleet hardware query result as a self-contained HTML5 page. Input (see
  README.md in this folder):

    <QueryResult title="..." company="..." user="..." generated="..." cutAt="...">
      <Columns><Column type="number">...</Column>...</Columns>
      <Row><Value>...</Value>...</Row>
      ...
    </QueryResult>

  Every value goes out through xsl:value-of, so no value can become markup.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

  <xsl:output method="html" encoding="UTF-8" indent="no" doctype-system="about:legacy-compat"/>

  <!-- The installation's Styles folder; the page needs nothing from it. -->
  <xsl:param name="PathName"/>

  <!-- Where a PC's own page is, with {id} for its identifier: "/pc/{id}"
       under a web server, "pc-{id}.html" beside a batch of pages. Empty (or
       without {id}): PC names are not links. -->
  <xsl:param name="PcLink"/>

  <xsl:template match="/">
    <xsl:variable name="title">
      <xsl:choose>
        <xsl:when test="normalize-space(QueryResult/@title) != ''">
          <xsl:value-of select="QueryResult/@title"/>
        </xsl:when>
        <xsl:otherwise>Hardware query</xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <html lang="en">
      <head>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <title><xsl:value-of select="$title"/></title>
        <style>
:root {
  --ink: #1d2733; --muted: #667385; --faint: #98a3b1; --line: #e2e7ee;
  --page: #f3f5f8; --card: #ffffff; --accent: #2457c5; --zebra: #f8f9fb;
  color-scheme: light dark;
}
@media (prefers-color-scheme: dark) {
  :root { --ink: #e4e9f0; --muted: #a2adbb; --faint: #6f7b8a; --line: #2d3540; --page: #14181e; --card: #1c222a; --accent: #7fa6f5; --zebra: #20272f; }
}
* { box-sizing: border-box; }
body { margin: 0; background: var(--page); color: var(--ink); font: 15px/1.5 system-ui, -apple-system, "Segoe UI", Roboto, "Noto Sans", "Helvetica Neue", Arial, sans-serif; }
.page { max-width: 1200px; margin: 0 auto; padding: 28px 28px 48px; }
.masthead { display: flex; flex-wrap: wrap; align-items: flex-end; justify-content: space-between; gap: 12px 32px; padding: 20px 24px; background: var(--card); border: 1px solid var(--line); border-top: 4px solid var(--accent); border-radius: 12px; }
.kicker { margin: 0; font-size: 12px; font-weight: 600; letter-spacing: .08em; text-transform: uppercase; color: var(--accent); }
h1 { margin: 2px 0 0; font-size: 24px; line-height: 1.25; font-weight: 650; overflow-wrap: anywhere; }
.meta { display: grid; grid-template-columns: auto auto; gap: 2px 14px; margin: 0; font-size: 14px; }
.meta dt { color: var(--muted); }
.meta dd { margin: 0; font-weight: 600; overflow-wrap: anywhere; }
.count { margin: 18px 0 8px; color: var(--muted); font-size: 14px; }
.table-wrap { background: var(--card); border: 1px solid var(--line); border-radius: 10px; overflow-x: auto; }
table { width: 100%; border-collapse: collapse; }
th, td { padding: 8px 14px; text-align: left; vertical-align: top; }
td { overflow-wrap: anywhere; }
thead th { position: sticky; top: 0; font-size: 12px; font-weight: 600; letter-spacing: .05em; text-transform: uppercase; color: var(--muted); background: var(--zebra); border-bottom: 1px solid var(--line); white-space: nowrap; }
tbody tr { break-inside: avoid; page-break-inside: avoid; }
tbody tr + tr td { border-top: 1px solid var(--line); }
tbody tr:nth-child(even) td { background: var(--zebra); }
.num { text-align: right; font-variant-numeric: tabular-nums; }
.none { color: var(--faint); }
td a { color: var(--accent); text-decoration: none; }
td a:hover { text-decoration: underline; }
.empty-note { margin: 18px 0; color: var(--muted); }
.cut-note { margin: 18px 0 8px; padding: 8px 14px; border: 1px solid var(--line); border-left: 4px solid #c98a12; border-radius: 8px; background: var(--card); }
@media (max-width: 640px) {
  .page { padding: 12px 12px 32px; }
  .table-wrap { background: none; border: 0; overflow: visible; }
  table, tbody, tr, td { display: block; width: auto; }
  thead { display: none; }
  tbody tr { background: var(--card); border: 1px solid var(--line); border-radius: 10px; padding: 8px 14px; margin-bottom: 8px; }
  tbody tr + tr td { border-top: 0; }
  tbody tr:nth-child(even) td { background: none; }
  td { display: grid; grid-template-columns: 9em 1fr; gap: 10px; padding: 3px 0; }
  td::before { content: attr(data-label); color: var(--muted); font-size: 13px; }
  .num { text-align: left; }
}
@media print {
  :root { --page: #ffffff; --card: #ffffff; }
  body { font-size: 10pt; }
  .page { max-width: none; padding: 0; }
  .masthead { border-radius: 0; border-width: 0 0 2px; border-bottom-color: var(--accent); padding: 0 0 8px; }
  .table-wrap { overflow: visible; }
  thead { display: table-header-group; }
}
@page { margin: 14mm 12mm; }
        </style>
      </head>
      <body>
        <div class="page">
          <header class="masthead">
            <div>
              <p class="kicker">Hardware query</p>
              <h1><xsl:value-of select="$title"/></h1>
            </div>
            <xsl:if test="QueryResult/@company | QueryResult/@user | QueryResult/@generated">
              <dl class="meta">
                <xsl:for-each select="QueryResult/@company"><dt>Company</dt><dd><xsl:value-of select="."/></dd></xsl:for-each>
                <xsl:for-each select="QueryResult/@user"><dt>User</dt><dd><xsl:value-of select="."/></dd></xsl:for-each>
                <xsl:for-each select="QueryResult/@generated"><dt>Generated</dt><dd><xsl:value-of select="."/></dd></xsl:for-each>
              </dl>
            </xsl:if>
          </header>
          <xsl:apply-templates select="QueryResult"/>
        </div>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="QueryResult">
    <xsl:variable name="columns" select="Columns/Column"/>
    <xsl:choose>
      <xsl:when test="Row">
        <xsl:if test="@cutAt">
          <p class="cut-note">The result was cut at <xsl:value-of select="@cutAt"/> rows: only these are shown.</p>
        </xsl:if>
        <p class="count">
          <xsl:value-of select="count(Row)"/>
          <xsl:choose>
            <xsl:when test="count(Row) = 1"> row</xsl:when>
            <xsl:otherwise> rows</xsl:otherwise>
          </xsl:choose>
        </p>
        <div class="table-wrap">
          <table>
            <thead>
              <tr>
                <xsl:for-each select="$columns">
                  <th scope="col">
                    <xsl:if test="@type = 'number'"><xsl:attribute name="class">num</xsl:attribute></xsl:if>
                    <xsl:value-of select="."/>
                  </th>
                </xsl:for-each>
              </tr>
            </thead>
            <tbody>
              <xsl:for-each select="Row">
                <xsl:variable name="row" select="."/>
                <tr>
                  <!-- One cell per column; a row short of values shows dashes. -->
                  <xsl:for-each select="$columns">
                    <xsl:variable name="index" select="position()"/>
                    <xsl:variable name="value" select="$row/Value[$index]"/>
                    <td data-label="{.}">
                      <xsl:if test="@type = 'number'"><xsl:attribute name="class">num</xsl:attribute></xsl:if>
                      <xsl:call-template name="cell">
                        <xsl:with-param name="value" select="$value"/>
                        <xsl:with-param name="pc" select="string($row/@pc)"/>
                      </xsl:call-template>
                    </td>
                  </xsl:for-each>
                </tr>
              </xsl:for-each>
            </tbody>
          </table>
        </div>
      </xsl:when>
      <xsl:otherwise>
        <p class="empty-note">No PC matches this query.</p>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- One value under its Column (the context node). In a number column
       -1 is the inventory's "not known" and shows as a dash, like an empty
       value; decimals="N" rounds to N places. A column with link="pc" links
       to the row's PC page when the row names a PC by number. -->
  <xsl:template name="cell">
    <xsl:param name="value"/>
    <xsl:param name="pc"/>
    <xsl:variable name="number" select="number($value)"/>
    <xsl:variable name="decimals" select="number(@decimals)"/>
    <xsl:variable name="shown">
      <xsl:choose>
        <xsl:when test="@type = 'number' and $decimals &gt;= 0 and $decimals &lt;= 6 and string($number) != 'NaN'">
          <xsl:value-of select="format-number($number, concat('0', substring('.000000', 1, $decimals + ($decimals &gt; 0))))"/>
        </xsl:when>
        <xsl:otherwise><xsl:value-of select="$value"/></xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <xsl:choose>
      <xsl:when test="normalize-space($value) = '' or (@type = 'number' and $number = -1)">
        <span class="none" title="Not known">&#8212;</span>
      </xsl:when>
      <!-- Only digits go into the address. -->
      <xsl:when test="@link = 'pc' and contains($PcLink, '{id}') and string-length($pc) &gt; 0
                      and string-length($pc) &lt; 11 and translate($pc, '0123456789', '') = ''">
        <a href="{concat(substring-before($PcLink, '{id}'), $pc, substring-after($PcLink, '{id}'))}">
          <xsl:value-of select="$shown"/>
        </a>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$shown"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

</xsl:stylesheet>
