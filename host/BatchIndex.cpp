#include "host/BatchIndex.h"

#include <algorithm>

#include "host/FleetIndex.h"
#include "host/Output.h"
#include "text/XmlText.h"

namespace {

struct IndexColumn {
    const char* heading;
    const char* file;
    bool newestFirst;
    std::string (*value)(const FleetRow&);
};

std::string NameOf(const FleetRow& row) {
    return row.name.empty() ? "PC " + std::to_string(row.id) : row.name;
}
std::string OsOf(const FleetRow& row) {
    return row.os;
}
std::string InventoryOf(const FleetRow& row) {
    return row.lastInventory;
}

const IndexColumn kColumns[] = {
    {"Name", "index.html", false, NameOf},
    {"Model", "index-model.html", false, ModelText},
    {"Operating system", "index-os.html", false, OsOf},
    {"Last inventory", "index-inventory.html", true, InventoryOf},
};

const char kStyle[] =
    ":root{--ink:#1d2733;--muted:#667385;--line:#e2e7ee;--page:#f3f5f8;--card:#fff;"
    "--accent:#2457c5;--zebra:#f8f9fb;color-scheme:light dark}"
    "@media (prefers-color-scheme:dark){:root{--ink:#e4e9f0;--muted:#a2adbb;--line:#2d3540;"
    "--page:#14181e;--card:#1c222a;--accent:#7fa6f5;--zebra:#20272f}}"
    "body{margin:0;background:var(--page);color:var(--ink);font:15px/1.5 system-ui,-apple-system,"
    "\"Segoe UI\",Roboto,\"Noto Sans\",\"Noto Sans CJK JP\",Arial,sans-serif}"
    "main{max-width:1100px;margin:0 auto;padding:28px}"
    "h1{margin:0;font-size:26px;font-weight:650}p{margin:4px 0 16px;color:var(--muted)}"
    "table{width:100%;border-collapse:collapse;background:var(--card);border:1px solid var(--line)}"
    "th,td{padding:6px 10px;text-align:left;border-bottom:1px solid var(--line);"
    "overflow-wrap:anywhere}tbody tr:nth-child(even){background:var(--zebra)}"
    "th a,td a{color:var(--accent);text-decoration:none}th a:hover,td "
    "a:hover{text-decoration:underline}"
    ".empty{color:var(--muted)}";

void Append(CString& out, const std::string& text) {
    AppendEscapedText(out, text.c_str());
}

// Rows in the column's order: case-insensitive, unknown values last, the
// newest first for times; equal values by ID.
std::vector<const FleetRow*> Sorted(const std::vector<FleetRow>& rows, const IndexColumn& column) {
    std::vector<std::pair<std::string, const FleetRow*>> keyed;
    for (const FleetRow& row : rows) keyed.emplace_back(FoldCase(column.value(row)), &row);
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        if (a.first.empty() != b.first.empty()) return b.first.empty();
        if (a.first != b.first) return column.newestFirst ? a.first > b.first : a.first < b.first;
        return a.second->id < b.second->id;
    });
    std::vector<const FleetRow*> sorted;
    for (const auto& entry : keyed) sorted.push_back(entry.second);
    return sorted;
}

std::string IndexPage(const BatchIndexPage& page, const std::vector<FleetRow>& rows,
                      const IndexColumn& sortedBy, const std::string& generated) {
    CString html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>Hardware reports</title>\n<style>";
    html += kStyle;
    html += "</style>\n</head>\n<body>\n<main>\n<h1>Hardware reports";
    if (!page.company.empty()) {
        html += ": ";
        Append(html, page.company);
    }
    html += "</h1>\n<p>";
    html += std::to_string(rows.size()) + (rows.size() == 1 ? " PC" : " PCs");
    html += ", written " + generated + ". Choose a heading to sort by it.</p>\n";
    html += "<table>\n<thead>\n<tr>";
    for (const IndexColumn& column : kColumns) {
        const bool current = &column == &sortedBy;
        html += current ? std::string("<th aria-sort=\"") +
                              (column.newestFirst ? "descending" : "ascending") + "\">"
                        : "<th>";
        html += std::string("<a href=\"") + column.file + "\">" + column.heading;
        if (current) html += column.newestFirst ? " \xE2\x96\xBC" : " \xE2\x96\xB2";  // ▼ ▲
        html += "</a></th>";
    }
    html += "</tr>\n</thead>\n<tbody>\n";
    for (const FleetRow* row : Sorted(rows, sortedBy)) {
        html += "<tr>";
        for (const IndexColumn& column : kColumns) {
            const std::string value = column.value(*row);
            html += "<td>";
            if (&column == &kColumns[0]) {
                html += "<a href=\"pc-" + std::to_string(row->id) + "." + page.extension + "\">";
                Append(html, value);
                html += "</a>";
            } else if (value.empty()) {
                html += "<span class=\"empty\">\xE2\x80\x93</span>";  // –
            } else {
                Append(html, value);
            }
            html += "</td>";
        }
        html += "</tr>\n";
    }
    html += "</tbody>\n</table>\n</main>\n</body>\n</html>\n";
    return ToValidUtf8(html.str());
}

}  // namespace

bool WriteBatchIndex(const BatchIndexPage& page, const std::vector<FleetRow>& rows,
                     std::string& error) {
    const std::string generated = LocalTimeStamp();
    for (const IndexColumn& column : kColumns)
        if (!WriteFileAtomically(page.folder + column.file,
                                 IndexPage(page, rows, column, generated), error))
            return false;
    return true;
}
