<?xml version="1.0" encoding="UTF-8"?>
<!--
  Hardware report page: turns one HARDWARE document into a self-contained
  HTML5 page (inline CSS, no script, nothing fetched). Every value goes out
  through xsl:value-of, so no value can become markup. Sections are shown in
  their fixed order and only when the document holds them.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

  <xsl:output method="html" encoding="UTF-8" indent="no" doctype-system="about:legacy-compat"/>

  <!-- The installation's Styles folder (forward slashes, trailing slash).
       The page is self-contained and needs nothing from it. -->
  <xsl:param name="PathName"/>

  <!-- Columns shown right-aligned with tabular figures. -->
  <xsl:variable name="numeric" select="' ClockSpeed Capacity AdapterRAM RefreshRate Size FreeSpace PhysicalMemory '"/>

  <xsl:template match="/">
    <html lang="en">
      <head>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <title>
          <xsl:text>Hardware report</xsl:text>
          <xsl:if test="normalize-space(HARDWARE/SystemOverview/SystemName[1]) != ''">
            <xsl:text> – </xsl:text>
            <xsl:value-of select="HARDWARE/SystemOverview/SystemName[1]"/>
          </xsl:if>
        </title>
        <style>
:root {
  --ink: #1d2733; --muted: #667385; --faint: #98a3b1; --line: #e2e7ee;
  --page: #f3f5f8; --card: #ffffff; --accent: #2457c5; --accent-soft: #e8eefb;
  --zebra: #f8f9fb; --ok: #2f9e5b; --mid: #d89614; --low: #d1423a; --track: #e6e9ee;
  color-scheme: light dark;
}
@media (prefers-color-scheme: dark) {
  :root {
    --ink: #e4e9f0; --muted: #a2adbb; --faint: #6f7b8a; --line: #2d3540;
    --page: #14181e; --card: #1c222a; --accent: #7fa6f5; --accent-soft: #233149;
    --zebra: #20272f; --track: #2f3742;
  }
}
* { box-sizing: border-box; }
html { -webkit-text-size-adjust: 100%; }
body {
  margin: 0; background: var(--page); color: var(--ink);
  font: 15px/1.5 system-ui, -apple-system, "Segoe UI", Roboto, "Noto Sans", "Noto Sans CJK JP", "Helvetica Neue", Arial, sans-serif;
}
.page { max-width: 1100px; margin: 0 auto; padding: 28px 28px 48px; }
.masthead {
  display: flex; flex-wrap: wrap; align-items: flex-end; justify-content: space-between; gap: 16px 32px;
  padding: 24px 28px; background: var(--card); border: 1px solid var(--line); border-top: 4px solid var(--accent);
  border-radius: 12px;
}
.kicker { margin: 0; font-size: 12px; font-weight: 600; letter-spacing: .08em; text-transform: uppercase; color: var(--accent); }
h1 { margin: 2px 0 0; font-size: 28px; line-height: 1.2; font-weight: 650; overflow-wrap: anywhere; }
.subtitle { margin: 4px 0 0; color: var(--muted); font-size: 16px; }
.meta { display: grid; grid-template-columns: auto auto; gap: 2px 14px; margin: 0; font-size: 14px; }
.meta dt { color: var(--muted); }
.meta dd { margin: 0; font-weight: 600; overflow-wrap: anywhere; }
.toc { display: flex; flex-wrap: wrap; gap: 6px; margin: 16px 0 4px; }
.toc a {
  padding: 3px 11px; border-radius: 999px; border: 1px solid var(--line); background: var(--card);
  color: var(--ink); text-decoration: none; font-size: 13px;
}
.toc a:hover { border-color: var(--accent); color: var(--accent); }
section.part { margin-top: 30px; }
h2 {
  margin: 0 0 12px; padding-bottom: 6px; font-size: 20px; font-weight: 650;
  border-bottom: 2px solid var(--line); break-after: avoid; page-break-after: avoid;
}
h3 {
  margin: 18px 0 8px; font-size: 13px; font-weight: 600; letter-spacing: .06em; text-transform: uppercase;
  color: var(--muted); break-after: avoid; page-break-after: avoid;
}
h2 + h3 { margin-top: 4px; }
.card {
  background: var(--card); border: 1px solid var(--line); border-radius: 10px; padding: 14px 18px;
  break-inside: avoid; page-break-inside: avoid;
}
.cards { display: grid; grid-template-columns: repeat(auto-fill, minmax(min(400px, 100%), 1fr)); gap: 12px; }
.card-title { margin: 0 0 10px; font-size: 16px; font-weight: 600; letter-spacing: 0; text-transform: none; color: var(--ink); overflow-wrap: anywhere; }
.fields { display: grid; grid-template-columns: minmax(7.5em, max-content) 1fr; gap: 5px 16px; margin: 0; }
.fields > div { display: contents; }
.fields dt { color: var(--muted); font-size: 13.5px; padding-top: 1px; }
.fields dd { margin: 0; overflow-wrap: anywhere; }
.overview { display: grid; grid-template-columns: repeat(auto-fill, minmax(230px, 1fr)); gap: 14px 22px; margin: 0; }
.overview > div { break-inside: avoid; page-break-inside: avoid; }
.overview dt { font-size: 12px; font-weight: 600; letter-spacing: .05em; text-transform: uppercase; color: var(--muted); }
.overview dd { margin: 1px 0 0; font-size: 15.5px; overflow-wrap: anywhere; }
.table-wrap { background: var(--card); border: 1px solid var(--line); border-radius: 10px; overflow: hidden; }
table.data { width: 100%; border-collapse: collapse; break-inside: avoid; page-break-inside: avoid; }
table.data th, table.data td { padding: 8px 14px; text-align: left; vertical-align: top; overflow-wrap: anywhere; }
table.data thead th {
  font-size: 12px; font-weight: 600; letter-spacing: .05em; text-transform: uppercase; color: var(--muted);
  background: var(--zebra); border-bottom: 1px solid var(--line);
}
table.data tbody tr { break-inside: avoid; page-break-inside: avoid; }
table.data tbody tr + tr td { border-top: 1px solid var(--line); }
table.data .num { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
table.data td.kind { color: var(--muted); white-space: nowrap; width: 1%; }
.none { color: var(--faint); }
.also { color: var(--muted); }
.addrs { list-style: none; margin: 0; padding: 0; }
.addrs li + li { margin-top: 2px; }
.addrs .addr, .addrs .mask { white-space: nowrap; }
.addrs .mask { color: var(--muted); }
.free { display: flex; align-items: center; gap: 10px; min-width: 170px; }
.bar {
  flex: 1; height: 8px; border-radius: 4px; background: var(--track); overflow: hidden;
  -webkit-print-color-adjust: exact; print-color-adjust: exact;
}
.bar .fill { display: block; height: 100%; border-radius: 4px; background: var(--ok); }
.bar.mid .fill { background: var(--mid); }
.bar.low .fill { background: var(--low); }
.free .pct { white-space: nowrap; font-variant-numeric: tabular-nums; color: var(--muted); font-size: 13.5px; }
.bar.low + .pct { color: var(--low); font-weight: 600; }
.boxes { display: grid; gap: 12px; }
.drow { display: grid; grid-template-columns: 1fr 1fr; gap: 0 16px; padding: 8px 0; break-inside: avoid; page-break-inside: avoid; }
.drow + .drow { border-top: 1px solid var(--line); }
.dcol { min-width: 0; }
.dcol.wide { grid-column: 1 / -1; }
.dcol.align-left { text-align: left; }
.dcol.align-right { text-align: right; }
.dcol.align-center { text-align: center; }
.dname { color: var(--muted); font-size: 13px; }
.dvalue { overflow-wrap: anywhere; }
.dcol.head .dname { color: var(--accent); font-weight: 600; }
.dcol.head .dvalue { font-weight: 600; }
.empty-note { color: var(--muted); margin: 0; }
@media (max-width: 640px) {
  .page { padding: 12px 12px 32px; }
  .masthead { padding: 18px; }
  h1 { font-size: 23px; }
  .cards { grid-template-columns: 1fr; }
  .overview { grid-template-columns: 1fr 1fr; gap: 10px 14px; }
  .fields { grid-template-columns: 1fr; gap: 0; }
  .fields dd { margin-bottom: 6px; }
  .drow { grid-template-columns: 1fr; gap: 8px; }
  .table-wrap { background: none; border: 0; border-radius: 0; overflow: visible; }
  table.data, table.data tbody, table.data tr, table.data td { display: block; width: auto; }
  table.data thead { display: none; }
  table.data tbody tr {
    background: var(--card); border: 1px solid var(--line); border-radius: 10px; padding: 8px 14px; margin-bottom: 8px;
  }
  table.data tbody tr + tr td { border-top: 0; }
  table.data td { display: grid; grid-template-columns: 8.5em 1fr; gap: 10px; padding: 3px 0; }
  table.data td::before { content: attr(data-label); color: var(--muted); font-size: 13px; }
  table.data .num { text-align: left; }
  table.data td.kind { width: auto; }
}
@media (max-width: 380px) {
  .overview { grid-template-columns: 1fr; }
}
@media print {
  :root { --page: #ffffff; --card: #ffffff; }
  body { font-size: 10.5pt; }
  .page { max-width: none; padding: 0; }
  .toc { display: none; }
  .masthead { border-radius: 0; border-width: 0 0 2px; border-top: 0; border-bottom-color: var(--accent); padding: 0 0 10px; }
  section.part { margin-top: 18px; }
  .card, .table-wrap { border-radius: 4px; }
  .card.box { break-inside: auto; page-break-inside: auto; }
  a { color: inherit; text-decoration: none; }
}
@page {
  margin: 14mm 12mm;
  /* Claiming the top margin keeps the browser's own header (date, title) off the page. */
  @top-left { content: ""; }
  @bottom-left { font-size: 8pt; color: #667385; vertical-align: top; padding-top: 3mm; }
  @bottom-right { content: "Page " counter(page) " of " counter(pages); font-size: 8pt; color: #667385; vertical-align: top; padding-top: 3mm; }
}
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

  <xsl:template match="HARDWARE">
    <xsl:variable name="summary" select="SystemOverview[1]"/>
    <header class="masthead">
      <div>
        <p class="kicker">Hardware report</p>
        <h1>
          <xsl:choose>
            <xsl:when test="normalize-space($summary/SystemName[1]) != ''">
              <xsl:value-of select="$summary/SystemName[1]"/>
            </xsl:when>
            <xsl:otherwise>Hardware report</xsl:otherwise>
          </xsl:choose>
        </h1>
        <xsl:if test="normalize-space(concat($summary/Manufacturer, $summary/Model)) != ''">
          <p class="subtitle">
            <xsl:value-of select="$summary/Manufacturer"/>
            <xsl:if test="normalize-space($summary/Manufacturer) != '' and normalize-space($summary/Model) != ''">
              <xsl:text> · </xsl:text>
            </xsl:if>
            <xsl:value-of select="$summary/Model"/>
          </p>
        </xsl:if>
      </div>
      <dl class="meta">
        <dt>Company</dt>
        <dd><xsl:call-template name="value"><xsl:with-param name="node" select="CompanyName"/></xsl:call-template></dd>
        <dt>User</dt>
        <dd><xsl:call-template name="value"><xsl:with-param name="node" select="User"/></xsl:call-template></dd>
      </dl>
    </header>

    <xsl:variable name="sections"
                  select="SystemOverview[1] | CPU_BIOS[1] | MotherBoard_Slots[1] | NetworkAdapters[1] | VideoAdapters[1]
                          | DiskDrives[1] | Printers[1] | Peripherals[1] | Additional[1]"/>
    <xsl:if test="count($sections) &gt; 1">
      <nav class="toc" aria-label="Sections">
        <xsl:for-each select="SystemOverview[1]"><a href="#system">System overview</a></xsl:for-each>
        <xsl:for-each select="CPU_BIOS[1]"><a href="#cpu-bios">Processor and BIOS</a></xsl:for-each>
        <xsl:for-each select="MotherBoard_Slots[1]"><a href="#motherboard">Mother board and slots</a></xsl:for-each>
        <xsl:for-each select="NetworkAdapters[1]"><a href="#network">Network adapters</a></xsl:for-each>
        <xsl:for-each select="VideoAdapters[1]"><a href="#video">Video adapters and monitors</a></xsl:for-each>
        <xsl:for-each select="DiskDrives[1]"><a href="#disks">Disk drives</a></xsl:for-each>
        <xsl:for-each select="Printers[1]"><a href="#printers">Printers</a></xsl:for-each>
        <xsl:for-each select="Peripherals[1]"><a href="#peripherals">Peripherals</a></xsl:for-each>
        <xsl:for-each select="Additional[1]"><a href="#additional">Additional hardware</a></xsl:for-each>
      </nav>
    </xsl:if>

    <main>
      <!-- Fixed order, whatever order the document happens to hold. -->
      <xsl:apply-templates select="SystemOverview"/>
      <xsl:apply-templates select="CPU_BIOS"/>
      <xsl:apply-templates select="MotherBoard_Slots"/>
      <xsl:apply-templates select="NetworkAdapters"/>
      <xsl:apply-templates select="VideoAdapters"/>
      <xsl:apply-templates select="DiskDrives"/>
      <xsl:apply-templates select="Printers"/>
      <xsl:apply-templates select="Peripherals"/>
      <xsl:apply-templates select="Additional[1]"/>
    </main>
  </xsl:template>

  <!-- ===== Sections ===== -->

  <xsl:template match="SystemOverview">
    <section class="part" id="system">
      <h2>System overview</h2>
      <div class="card">
        <dl class="overview">
          <xsl:apply-templates select="*" mode="field"/>
        </dl>
      </div>
    </section>
  </xsl:template>

  <xsl:template match="CPU_BIOS">
    <section class="part" id="cpu-bios">
      <h2>Processor and BIOS</h2>
      <xsl:if test="CPU">
        <h3>Processors</h3>
        <xsl:call-template name="table">
          <xsl:with-param name="rows" select="CPU"/>
          <xsl:with-param name="columns" select="'Name CPUManufacturer ClockSpeed'"/>
        </xsl:call-template>
      </xsl:if>
      <xsl:if test="BIOS">
        <h3>BIOS</h3>
        <div class="cards">
          <xsl:apply-templates select="BIOS" mode="card">
            <xsl:with-param name="title" select="''"/>
          </xsl:apply-templates>
        </div>
      </xsl:if>
    </section>
  </xsl:template>

  <xsl:template match="MotherBoard_Slots">
    <section class="part" id="motherboard">
      <h2>Mother board and slots</h2>
      <xsl:if test="MotherBoard">
        <h3>Mother board</h3>
        <div class="cards">
          <xsl:apply-templates select="MotherBoard" mode="card"/>
        </div>
      </xsl:if>
      <xsl:if test="MemorySlot">
        <h3>Memory slots</h3>
        <xsl:call-template name="table">
          <xsl:with-param name="rows" select="MemorySlot"/>
          <xsl:with-param name="columns" select="'Name Capacity'"/>
        </xsl:call-template>
      </xsl:if>
      <xsl:if test="SystemSlot">
        <h3>System slots</h3>
        <xsl:call-template name="table">
          <xsl:with-param name="rows" select="SystemSlot"/>
          <xsl:with-param name="columns" select="'Name InUse'"/>
        </xsl:call-template>
      </xsl:if>
    </section>
  </xsl:template>

  <xsl:template match="NetworkAdapters">
    <section class="part" id="network">
      <h2>Network adapters</h2>
      <div class="cards">
        <xsl:apply-templates select="NetworkAdapter" mode="card"/>
      </div>
    </section>
  </xsl:template>

  <xsl:template match="VideoAdapters">
    <section class="part" id="video">
      <h2>Video adapters and monitors</h2>
      <xsl:if test="VideoAdapter">
        <h3>Video adapters</h3>
        <xsl:call-template name="table">
          <xsl:with-param name="rows" select="VideoAdapter"/>
          <xsl:with-param name="columns" select="'Name AdapterRAM DacType'"/>
        </xsl:call-template>
      </xsl:if>
      <xsl:if test="Monitor">
        <h3>Monitors</h3>
        <xsl:call-template name="table">
          <xsl:with-param name="rows" select="Monitor"/>
          <xsl:with-param name="columns" select="'Name Resolution RefreshRate'"/>
        </xsl:call-template>
      </xsl:if>
    </section>
  </xsl:template>

  <xsl:template match="DiskDrives">
    <section class="part" id="disks">
      <h2>Disk drives</h2>
      <xsl:if test="HardDisk | CDROM | Floppy">
        <h3>Drives</h3>
        <xsl:call-template name="table">
          <xsl:with-param name="rows" select="HardDisk | CDROM | Floppy"/>
          <xsl:with-param name="columns" select="'Name Capacity Drive'"/>
          <xsl:with-param name="kind" select="true()"/>
        </xsl:call-template>
      </xsl:if>
      <xsl:if test="LogicalDisk">
        <h3>Logical disks</h3>
        <xsl:call-template name="table">
          <xsl:with-param name="rows" select="LogicalDisk"/>
          <xsl:with-param name="columns" select="'DeviceID FileSystem Size FreeSpace FreePerCent'"/>
        </xsl:call-template>
      </xsl:if>
    </section>
  </xsl:template>

  <xsl:template match="Printers">
    <section class="part" id="printers">
      <h2>Printers</h2>
      <xsl:call-template name="table">
        <xsl:with-param name="rows" select="Printer"/>
        <xsl:with-param name="columns" select="'Name Location State'"/>
      </xsl:call-template>
    </section>
  </xsl:template>

  <xsl:template match="Peripherals">
    <section class="part" id="peripherals">
      <h2>Peripherals</h2>
      <xsl:call-template name="table">
        <xsl:with-param name="rows" select="*"/>
        <xsl:with-param name="columns" select="'Name'"/>
        <xsl:with-param name="kind" select="true()"/>
      </xsl:call-template>
    </section>
  </xsl:template>

  <!-- All Additional boxes form one section. -->
  <xsl:template match="Additional">
    <section class="part" id="additional">
      <h2>Additional hardware</h2>
      <xsl:choose>
        <xsl:when test="../Additional/DataRow">
          <div class="boxes">
            <xsl:apply-templates select="../Additional[DataRow]" mode="box"/>
          </div>
        </xsl:when>
        <xsl:otherwise>
          <p class="empty-note">No values recorded.</p>
        </xsl:otherwise>
      </xsl:choose>
    </section>
  </xsl:template>

  <!-- One box: rows of at most two columns; a double-width column spans both. -->
  <xsl:template match="Additional" mode="box">
    <div class="card box">
      <xsl:for-each select="DataRow">
        <div class="drow">
          <xsl:for-each select="DataCol">
            <div>
              <xsl:attribute name="class">
                <xsl:text>dcol</xsl:text>
                <xsl:if test="@DWidth = '1'"> wide</xsl:if>
                <xsl:choose>
                  <xsl:when test="@align = 'left' or @align = 'right' or @align = 'center'">
                    <xsl:text> align-</xsl:text>
                    <xsl:value-of select="@align"/>
                  </xsl:when>
                  <!-- The first column of each device instance carries no alignment. -->
                  <xsl:when test="not(@align)"> head</xsl:when>
                </xsl:choose>
              </xsl:attribute>
              <div class="dname">
                <xsl:call-template name="value"><xsl:with-param name="node" select="Name"/></xsl:call-template>
              </div>
              <div class="dvalue">
                <xsl:call-template name="value"><xsl:with-param name="node" select="Value"/></xsl:call-template>
              </div>
            </div>
          </xsl:for-each>
        </div>
      </xsl:for-each>
    </div>
  </xsl:template>

  <!-- ===== Cards: one row element as a titled list of fields ===== -->

  <xsl:template match="*" mode="card">
    <xsl:param name="title" select="'Name'"/>
    <article class="card">
      <h3 class="card-title">
        <xsl:choose>
          <xsl:when test="$title != ''">
            <xsl:call-template name="value">
              <xsl:with-param name="node" select="*[local-name() = $title]"/>
            </xsl:call-template>
          </xsl:when>
          <!-- Rows without a name of their own are titled by what they are. -->
          <xsl:otherwise>
            <xsl:call-template name="kind"/>
            <xsl:if test="count(../*[local-name() = local-name(current())]) &gt; 1">
              <xsl:text> </xsl:text>
              <xsl:value-of select="count(preceding-sibling::*[local-name() = local-name(current())]) + 1"/>
            </xsl:if>
          </xsl:otherwise>
        </xsl:choose>
      </h3>
      <dl class="fields">
        <xsl:apply-templates select="*[local-name() != $title]" mode="field"/>
      </dl>
    </article>
  </xsl:template>

  <xsl:template match="*" mode="field">
    <div>
      <dt><xsl:call-template name="label"/></dt>
      <dd><xsl:call-template name="reading"/></dd>
    </div>
  </xsl:template>

  <xsl:template match="IPAddresses" mode="field">
    <div>
      <dt><xsl:call-template name="label"/></dt>
      <dd>
        <xsl:choose>
          <xsl:when test="NetworkIPAddress">
            <ul class="addrs">
              <xsl:for-each select="NetworkIPAddress">
                <li>
                  <span class="addr">
                    <xsl:call-template name="value"><xsl:with-param name="node" select="IPAddress"/></xsl:call-template>
                  </span>
                  <xsl:if test="normalize-space(IPSubnet) != ''">
                    <xsl:text> </xsl:text>
                    <span class="mask">
                      <xsl:text>/ </xsl:text>
                      <xsl:value-of select="IPSubnet"/>
                    </span>
                  </xsl:if>
                </li>
              </xsl:for-each>
            </ul>
          </xsl:when>
          <xsl:otherwise><xsl:call-template name="value"/></xsl:otherwise>
        </xsl:choose>
      </dd>
    </div>
  </xsl:template>

  <!-- ===== Tables: rows of one or more row elements, named columns ===== -->

  <xsl:template name="table">
    <xsl:param name="rows"/>
    <xsl:param name="columns"/>
    <xsl:param name="kind" select="false()"/>
    <div class="table-wrap">
      <table class="data">
        <thead>
          <tr>
            <xsl:if test="$kind"><th scope="col">Type</th></xsl:if>
            <xsl:call-template name="heads">
              <xsl:with-param name="columns" select="$columns"/>
              <xsl:with-param name="context" select="local-name($rows[1])"/>
            </xsl:call-template>
          </tr>
        </thead>
        <tbody>
          <xsl:for-each select="$rows">
            <tr>
              <xsl:if test="$kind">
                <td class="kind" data-label="Type"><xsl:call-template name="kind"/></td>
              </xsl:if>
              <xsl:call-template name="cells">
                <xsl:with-param name="columns" select="$columns"/>
              </xsl:call-template>
            </tr>
          </xsl:for-each>
        </tbody>
      </table>
    </div>
  </xsl:template>

  <xsl:template name="heads">
    <xsl:param name="columns"/>
    <xsl:param name="context"/>
    <xsl:if test="$columns != ''">
      <xsl:variable name="column" select="substring-before(concat($columns, ' '), ' ')"/>
      <th scope="col">
        <xsl:if test="contains($numeric, concat(' ', $column, ' '))">
          <xsl:attribute name="class">num</xsl:attribute>
        </xsl:if>
        <xsl:call-template name="label">
          <xsl:with-param name="name" select="$column"/>
          <xsl:with-param name="context" select="$context"/>
        </xsl:call-template>
      </th>
      <xsl:call-template name="heads">
        <xsl:with-param name="columns" select="substring-after($columns, ' ')"/>
        <xsl:with-param name="context" select="$context"/>
      </xsl:call-template>
    </xsl:if>
  </xsl:template>

  <xsl:template name="cells">
    <xsl:param name="columns"/>
    <xsl:if test="$columns != ''">
      <xsl:variable name="column" select="substring-before(concat($columns, ' '), ' ')"/>
      <td>
        <xsl:attribute name="data-label">
          <xsl:call-template name="label">
            <xsl:with-param name="name" select="$column"/>
            <xsl:with-param name="context" select="local-name()"/>
          </xsl:call-template>
        </xsl:attribute>
        <xsl:if test="contains($numeric, concat(' ', $column, ' '))">
          <xsl:attribute name="class">num</xsl:attribute>
        </xsl:if>
        <xsl:choose>
          <xsl:when test="$column = 'FreePerCent'">
            <xsl:call-template name="free-space"/>
          </xsl:when>
          <xsl:otherwise>
            <xsl:call-template name="reading">
              <xsl:with-param name="node" select="*[local-name() = $column]"/>
            </xsl:call-template>
          </xsl:otherwise>
        </xsl:choose>
      </td>
      <xsl:call-template name="cells">
        <xsl:with-param name="columns" select="substring-after($columns, ' ')"/>
      </xsl:call-template>
    </xsl:if>
  </xsl:template>

  <!-- Free space of a logical disk as a bar: red below 10 %, amber below 25 %. -->
  <xsl:template name="free-space">
    <xsl:variable name="text" select="normalize-space(FreePerCent)"/>
    <xsl:choose>
      <xsl:when test="$text = '' or string(number($text)) = 'NaN'">
        <xsl:call-template name="value"><xsl:with-param name="node" select="FreePerCent"/></xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:variable name="percent" select="number($text)"/>
        <div class="free">
          <span>
            <xsl:attribute name="class">
              <xsl:text>bar </xsl:text>
              <xsl:choose>
                <xsl:when test="$percent &lt; 10">low</xsl:when>
                <xsl:when test="$percent &lt; 25">mid</xsl:when>
                <xsl:otherwise>ok</xsl:otherwise>
              </xsl:choose>
            </xsl:attribute>
            <xsl:choose>
              <xsl:when test="$percent &lt; 0"><span class="fill" style="width: 0%"></span></xsl:when>
              <xsl:when test="$percent &gt; 100"><span class="fill" style="width: 100%"></span></xsl:when>
              <xsl:otherwise><span class="fill" style="width: {floor($percent)}%"></span></xsl:otherwise>
            </xsl:choose>
          </span>
          <span class="pct"><xsl:value-of select="$text"/>% free</span>
        </div>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- ===== Paper ===== -->

  <!-- The PC's name at the foot of every page. It goes into a CSS string,
       where it is escaped so that no name can end the string or the style. -->
  <xsl:template name="page-footer">
    <!-- A footer line has room for a name, not for a whole hostile text. -->
    <xsl:variable name="full" select="normalize-space(HARDWARE/SystemOverview/SystemName[1])"/>
    <!-- Strings, not result tree fragments: substring(s, 1, true()) is s's
         first character, substring(s, 1, false()) nothing. -->
    <xsl:variable name="name" select="concat(substring($full, 1, 60), substring('…', 1, string-length($full) &gt; 60))"/>
    <style>
      <xsl:text>@page { @bottom-left { content: "</xsl:text>
      <xsl:call-template name="css-string">
        <xsl:with-param name="text" select="concat($name, substring(' · ', 1, 3 * ($name != '')), 'Hardware report')"/>
      </xsl:call-template>
      <xsl:text>"; } }</xsl:text>
    </style>
  </xsl:template>

  <!-- Text for inside a double-quoted CSS string: the characters that could
       end the string, start an escape or close the style element become
       CSS escapes; everything else stays as it is. -->
  <xsl:template name="css-string">
    <xsl:param name="text"/>
    <xsl:param name="specials" select="'\&quot;&lt;&gt;&amp;'"/>
    <xsl:param name="codes" select="'5c 22 3c 3e 26 '"/>
    <xsl:choose>
      <xsl:when test="$specials = ''"><xsl:value-of select="$text"/></xsl:when>
      <xsl:otherwise>
        <xsl:variable name="special" select="substring($specials, 1, 1)"/>
        <xsl:choose>
          <xsl:when test="contains($text, $special)">
            <xsl:call-template name="css-string">
              <xsl:with-param name="text" select="substring-before($text, $special)"/>
              <xsl:with-param name="specials" select="substring($specials, 2)"/>
              <xsl:with-param name="codes" select="substring($codes, 4)"/>
            </xsl:call-template>
            <xsl:value-of select="concat('\', substring($codes, 1, 3))"/>
            <xsl:call-template name="css-string">
              <xsl:with-param name="text" select="substring-after($text, $special)"/>
              <xsl:with-param name="specials" select="$specials"/>
              <xsl:with-param name="codes" select="$codes"/>
            </xsl:call-template>
          </xsl:when>
          <xsl:otherwise>
            <xsl:call-template name="css-string">
              <xsl:with-param name="text" select="$text"/>
              <xsl:with-param name="specials" select="substring($specials, 2)"/>
              <xsl:with-param name="codes" select="substring($codes, 4)"/>
            </xsl:call-template>
          </xsl:otherwise>
        </xsl:choose>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- ===== Words ===== -->

  <!-- A value, or a muted dash when there is none. -->
  <xsl:template name="value">
    <xsl:param name="node" select="."/>
    <xsl:choose>
      <xsl:when test="normalize-space($node) = ''">
        <span class="none" title="Not recorded">&#8212;</span>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$node"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- A value as a reader wants it: codes in words, large sizes in the next
       unit up with the document's own figure beside it. Unknown codes and
       anything that is not a plain size show as they are. -->
  <xsl:variable name="sizes" select="' Capacity AdapterRAM Size FreeSpace PhysicalMemory '"/>
  <!-- The names whose values may read otherwise than they stand. -->
  <xsl:variable name="read-names" select="concat(' InUse State', $sizes)"/>
  <xsl:variable name="printer-states" select="'|0=Ready|1=Needs attention|'"/>
  <!-- Slot use: the SMBIOS current-usage codes and the words agents write. -->
  <xsl:variable name="slot-uses"
                select="concat('|1=Other|2=Unknown|3=Available|4=In use|5=Unavailable|',
                          'in use=In use|used=In use|available=Available|free=Available|',
                          'unknown=Unknown|other=Other|unavailable=Unavailable|')"/>

  <xsl:template name="reading">
    <xsl:param name="node" select="."/>
    <xsl:variable name="text" select="normalize-space($node)"/>
    <!-- One xsl:choose, each branch working out only what it shows: this runs
         for every value of the page. -->
    <xsl:choose>
      <xsl:when test="$text = ''">
        <xsl:call-template name="value"><xsl:with-param name="node" select="$node"/></xsl:call-template>
      </xsl:when>
      <!-- Most values are neither a code nor a size: one test for them. -->
      <xsl:when test="not(contains($read-names, concat(' ', local-name($node), ' '))) or contains($text, '|') or contains($text, '=')">
        <xsl:value-of select="$node"/>
      </xsl:when>
      <xsl:when test="local-name($node) = 'InUse'">
        <xsl:call-template name="word">
          <xsl:with-param name="node" select="$node"/>
          <xsl:with-param name="words" select="$slot-uses"/>
          <xsl:with-param name="key" select="translate($text, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:when test="local-name($node) = 'State' and local-name($node/..) = 'Printer'">
        <xsl:call-template name="word">
          <xsl:with-param name="node" select="$node"/>
          <xsl:with-param name="words" select="$printer-states"/>
          <xsl:with-param name="key" select="$text"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:when test="contains($text, ' ') and contains($sizes, concat(' ', local-name($node), ' '))">
        <xsl:variable name="amount" select="number(substring-before($text, ' '))"/>
        <xsl:variable name="unit" select="substring-after($text, ' ')"/>
        <xsl:choose>
          <xsl:when test="($unit = 'MB' or $unit = 'GB') and $amount &gt;= 1024">
            <!-- Memory without needless decimals, disks with the two they came with. -->
            <xsl:choose>
              <xsl:when test="$unit = 'MB'"><xsl:value-of select="format-number($amount div 1024, '0.##')"/> GB</xsl:when>
              <xsl:otherwise><xsl:value-of select="format-number($amount div 1024, '0.00')"/> TB</xsl:otherwise>
            </xsl:choose>
            <span class="also">
              <xsl:text> (</xsl:text>
              <xsl:value-of select="$text"/>
              <xsl:text>)</xsl:text>
            </span>
          </xsl:when>
          <xsl:otherwise><xsl:value-of select="$node"/></xsl:otherwise>
        </xsl:choose>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$node"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- A code in words from a "|code=words|" list, or the value as it is. -->
  <xsl:template name="word">
    <xsl:param name="node"/>
    <xsl:param name="words"/>
    <xsl:param name="key"/>
    <xsl:variable name="word" select="substring-before(substring-after($words, concat('|', $key, '=')), '|')"/>
    <xsl:choose>
      <xsl:when test="$word != ''"><xsl:value-of select="$word"/></xsl:when>
      <xsl:otherwise><xsl:value-of select="$node"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- Words for element names, looked up as "|name=words|" in one string:
       one search, where a chain of xsl:when tests costs an XPath evaluation
       per entry on every call. A name that reads as itself is not listed. -->

  <!-- What a row element is, in words. -->
  <xsl:variable name="kinds"
                select="concat('|CPU=Processor|MotherBoard=Mother board|MemorySlot=Memory slot|',
                          'SystemSlot=System slot|NetworkAdapter=Network adapter|',
                          'VideoAdapter=Video adapter|HardDisk=Hard disk|',
                          'LogicalDisk=Logical disk|CDROM=CD-ROM drive|Floppy=Floppy drive|',
                          'SoundCard=Sound card|Pointer=Pointing device|USB=USB device|',
                          'Infrared=Infrared device|ParallelPort=Parallel port|',
                          'SerialPort=Serial port|PCMCIADevice=PCMCIA controller|')"/>

  <xsl:template name="kind">
    <xsl:param name="name" select="local-name()"/>
    <xsl:variable name="entry" select="substring-after($kinds, concat('|', $name, '='))"/>
    <xsl:choose>
      <xsl:when test="$entry != ''"><xsl:value-of select="substring-before($entry, '|')"/></xsl:when>
      <xsl:otherwise><xsl:value-of select="$name"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- The label of a value element; a few depend on the row they stand in. -->
  <xsl:variable name="labels"
                select="concat('|SystemName=System name|OperatingSystem=Operating system|',
                          'CSDVersion=Service pack|SerialNumber=Serial number|',
                          'RegisteredUser=Registered user|TimeZone=Time zone|',
                          'PhysicalMemory=Physical memory|LoggedOnUser=Logged-on user|',
                          'DXVersion=DirectX version|SystemEnclosure=System enclosure|',
                          'AssetTag=Asset tag|BIOSVersion=BIOS version|',
                          'InstallDate=Install date|BIOSManufacturer=BIOS manufacturer|',
                          'CPUManufacturer=Manufacturer|ClockSpeed=Clock speed|',
                          'InUse=In use|IPAddress=IP address|IPSubnet=Subnet mask|',
                          'IPAddresses=IP addresses|DNSServer=DNS server|',
                          'DefaultIPGateway=Default gateway|DHCPServer=DHCP server|',
                          'MacAddress=MAC address|AdapterType=Adapter type|',
                          'WINSPrimaryServer=Primary WINS server|AdapterRAM=Adapter memory|',
                          'DacType=DAC type|RefreshRate=Refresh rate|',
                          'FileSystem=File system|DeviceID=Volume|FreeSpace=Free space|',
                          'FreePerCent=Free|Location=Port|')"/>

  <xsl:template name="label">
    <xsl:param name="name" select="local-name()"/>
    <xsl:param name="context" select="local-name(..)"/>
    <xsl:choose>
      <!-- Most columns are a name, which is not in the list: no search. -->
      <xsl:when test="$name = 'Name'">
        <xsl:choose>
          <xsl:when test="$context = 'MemorySlot' or $context = 'SystemSlot'">Slot</xsl:when>
          <xsl:otherwise>Name</xsl:otherwise>
        </xsl:choose>
      </xsl:when>
      <xsl:otherwise>
        <xsl:variable name="label" select="substring-before(substring-after($labels, concat('|', $name, '=')), '|')"/>
        <xsl:choose>
          <xsl:when test="$label != ''"><xsl:value-of select="$label"/></xsl:when>
          <xsl:otherwise><xsl:value-of select="$name"/></xsl:otherwise>
        </xsl:choose>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

</xsl:stylesheet>
