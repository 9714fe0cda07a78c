<?xml version="1.0" encoding="UTF-8"?>
<!--
  What changed on a PC or across the fleet, as a self-contained HTML5 page.
  Input (hwconsole changes, history/Changes.h):

    <Changes title="..." since="...">
      <PC id="7" name="..." previous="..." time="..." significant="memory, ...">
        <Row section="..." item="..." key="..." change="added|removed|changed">
          <Field name="..."><Old>...</Old><New>...</New></Field>
        </Row>
      </PC>
    </Changes>

  A PC without previous is new (its first inventory). Every value goes out
  through xsl:value-of, so no value can become markup.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

  <xsl:output method="html" encoding="UTF-8" indent="no" doctype-system="about:legacy-compat"/>

  <!-- The installation's Styles folder; the page needs nothing from it. -->
  <xsl:param name="PathName"/>

  <!-- Where a PC's own page is, {id} for its identifier ("/pc/{id}" under a
       web server); empty or without {id}: no links. -->
  <xsl:param name="PcLink"/>

  <xsl:template match="/">
    <xsl:variable name="title">
      <xsl:choose>
        <xsl:when test="normalize-space(Changes/@title) != ''">
          <xsl:value-of select="Changes/@title"/>
        </xsl:when>
        <xsl:otherwise>Hardware changes</xsl:otherwise>
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
  --added: #1f7a3d; --removed: #b3261e; --alert: #c98a12;
  color-scheme: light dark;
}
@media (prefers-color-scheme: dark) {
  :root { --ink: #e4e9f0; --muted: #a2adbb; --faint: #6f7b8a; --line: #2d3540; --page: #14181e; --card: #1c222a; --accent: #7fa6f5; --zebra: #20272f; --added: #6fcf8d; --removed: #f08a82; }
}
* { box-sizing: border-box; }
body { margin: 0; background: var(--page); color: var(--ink); font: 15px/1.5 system-ui, -apple-system, "Segoe UI", Roboto, "Noto Sans", "Helvetica Neue", Arial, sans-serif; }
.page { max-width: 1200px; margin: 0 auto; padding: 28px 28px 48px; }
.masthead { padding: 20px 24px; background: var(--card); border: 1px solid var(--line); border-top: 4px solid var(--accent); border-radius: 12px; }
.kicker { margin: 0; font-size: 12px; font-weight: 600; letter-spacing: .08em; text-transform: uppercase; color: var(--accent); }
h1 { margin: 2px 0 0; font-size: 24px; line-height: 1.25; font-weight: 650; overflow-wrap: anywhere; }
h2 { margin: 0; font-size: 17px; font-weight: 650; overflow-wrap: anywhere; }
.step { margin-top: 18px; background: var(--card); border: 1px solid var(--line); border-radius: 10px; padding: 14px 18px; break-inside: avoid; }
.when { margin: 2px 0 10px; color: var(--muted); font-size: 14px; }
.flag { display: inline-block; margin-left: 8px; padding: 0 8px; border-radius: 999px; font-size: 12px; font-weight: 600; color: #fff; background: var(--alert); }
table { width: 100%; border-collapse: collapse; }
th, td { padding: 6px 10px; text-align: left; vertical-align: top; overflow-wrap: anywhere; }
thead th { font-size: 12px; font-weight: 600; letter-spacing: .05em; text-transform: uppercase; color: var(--muted); background: var(--zebra); }
tbody tr + tr td { border-top: 1px solid var(--line); }
.added { color: var(--added); font-weight: 600; }
.removed { color: var(--removed); font-weight: 600; }
.old { color: var(--removed); text-decoration: line-through; }
.new { color: var(--added); }
.none { color: var(--faint); }
a { color: var(--accent); text-decoration: none; }
a:hover { text-decoration: underline; }
.empty-note { margin: 18px 0; color: var(--muted); }
        </style>
      </head>
      <body>
        <main class="page">
          <header class="masthead">
            <p class="kicker">Hardware changes</p>
            <h1><xsl:value-of select="$title"/></h1>
            <xsl:if test="normalize-space(Changes/@since) != ''">
              <p class="when">Since <xsl:value-of select="Changes/@since"/></p>
            </xsl:if>
          </header>
          <xsl:if test="not(Changes/PC)">
            <p class="empty-note">No changes.</p>
          </xsl:if>
          <xsl:apply-templates select="Changes/PC"/>
        </main>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="PC">
    <section class="step">
      <h2>
        <xsl:call-template name="pc-name"/>
        <xsl:if test="normalize-space(@significant) != ''">
          <span class="flag"><xsl:value-of select="@significant"/></span>
        </xsl:if>
      </h2>
      <p class="when">
        <xsl:choose>
          <xsl:when test="normalize-space(@previous) = ''">
            First inventory: <xsl:value-of select="@time"/>
          </xsl:when>
          <xsl:otherwise>
            <xsl:value-of select="@previous"/> → <xsl:value-of select="@time"/>
          </xsl:otherwise>
        </xsl:choose>
      </p>
      <xsl:if test="Row">
        <table>
          <thead><tr><th>Section</th><th>Item</th><th>Change</th><th>Field</th><th>Was</th><th>Now</th></tr></thead>
          <tbody><xsl:apply-templates select="Row/Field"/></tbody>
        </table>
      </xsl:if>
    </section>
  </xsl:template>

  <xsl:template match="Field">
    <tr>
      <td><xsl:value-of select="../@section"/></td>
      <td><xsl:value-of select="../@item"/><xsl:if test="../@key != ''">: <xsl:value-of select="../@key"/></xsl:if></td>
      <td class="{../@change}"><xsl:value-of select="../@change"/></td>
      <td><xsl:value-of select="@name"/></td>
      <td><xsl:call-template name="value"><xsl:with-param name="node" select="Old"/><xsl:with-param name="class" select="'old'"/></xsl:call-template></td>
      <td><xsl:call-template name="value"><xsl:with-param name="node" select="New"/><xsl:with-param name="class" select="'new'"/></xsl:call-template></td>
    </tr>
  </xsl:template>

  <xsl:template name="value">
    <xsl:param name="node"/>
    <xsl:param name="class"/>
    <xsl:choose>
      <xsl:when test="string-length($node) &gt; 0"><span class="{$class}"><xsl:value-of select="$node"/></span></xsl:when>
      <xsl:otherwise><span class="none">—</span></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="pc-name">
    <xsl:variable name="shown">
      <xsl:text>PC </xsl:text><xsl:value-of select="@id"/>
      <xsl:if test="@name != ''"><xsl:text> </xsl:text><xsl:value-of select="@name"/></xsl:if>
    </xsl:variable>
    <xsl:choose>
      <xsl:when test="contains($PcLink, '{id}') and translate(@id, '0123456789', '') = ''">
        <a href="{concat(substring-before($PcLink, '{id}'), @id, substring-after($PcLink, '{id}'))}">
          <xsl:value-of select="$shown"/>
        </a>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$shown"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

</xsl:stylesheet>
