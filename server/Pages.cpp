#include "server/Pages.h"

#include <cstdio>

#include "text/XmlText.h"

namespace {

const char kStyle[] =
    ":root{color-scheme:light dark;--ink:#1d2733;--muted:#667385;--line:#e2e7ee;--page:#f3f5f8;"
    "--card:#fff;--accent:#2457c5}"
    "@media (prefers-color-scheme:dark){:root{--ink:#e4e9f0;--muted:#a2adbb;--line:#2d3540;"
    "--page:#14181e;--card:#1c222a;--accent:#7fa6f5}}"
    "body{margin:0;background:var(--page);color:var(--ink);"
    "font:15px/1.5 system-ui,\"Segoe UI\",Roboto,\"Noto Sans\",Arial,sans-serif}"
    "main{max-width:1200px;margin:0 auto;padding:24px}h1{margin:0 0 12px;font-size:24px}"
    "form{display:flex;gap:8px;margin:0 0 12px}input[type=search]{flex:1;padding:6px 8px;"
    "font:inherit}button{font:inherit;padding:6px 14px}"
    "table{width:100%;border-collapse:collapse;background:var(--card);border:1px solid var(--line)}"
    "th,td{padding:5px 9px;text-align:left;border-bottom:1px solid var(--line);"
    "overflow-wrap:anywhere}td.n,th.n{text-align:right}a{color:var(--accent)}"
    "th a,td a{text-decoration:none}.muted{color:var(--muted)}nav{margin:12px 0;display:flex;"
    "gap:16px}";

struct Column {
    const char* heading;
    const char* sort;  // the list's name for it
    bool number;
};
const Column kColumns[] = {
    {"ID", "id", true},         {"Name", "name", false}, {"Model", "model", false},
    {"OS", "os", false},        {"CPU", "cpu", false},   {"Memory", "memory", true},
    {"Last inventory", "inventory", false},
};

std::string MemoryText(long long megabytes) {
    if (megabytes < 0) return "";
    char text[32];
    snprintf(text, sizeof text, megabytes % 1024 ? "%.1f GB" : "%.0f GB",
             static_cast<double>(megabytes) / 1024.0);
    return text;
}

std::string Cell(const std::string& value, bool number) {
    std::string cell = number ? "<td class=\"n\">" : "<td>";
    cell += value.empty() ? "<span class=\"muted\">\xE2\x80\x93</span>" : EscapeHtml(value);
    return cell + "</td>";
}

const char* SortName(ListColumn column) {
    return kColumns[static_cast<int>(column)].sort;
}

// The address of the fleet page with these settings; `offset` 0 and the
// default order are left out.
std::string FleetLink(const FleetQuery& query, ListColumn sortBy, bool descending, size_t offset) {
    std::string link = "/?";
    if (!query.search.empty()) link += "q=" + EncodeQueryValue(query.search) + "&amp;";
    if (sortBy != ListColumn::kName) link += std::string("sort=") + SortName(sortBy) + "&amp;";
    if (descending) link += "desc=1&amp;";
    if (offset) link += "offset=" + std::to_string(offset) + "&amp;";
    link.erase(link.size() - (link.back() == '?' ? 1 : 5));
    return link.empty() ? "/" : link;
}

std::string Count(size_t n) {
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, ",");
    return digits;
}

}  // namespace

std::string EscapeHtml(const std::string& text) {
    CString out;
    AppendEscapedText(out, text.c_str());
    return out.str();
}

std::string EncodeQueryValue(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : text) {
        if (isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    return encoded;
}

std::string HtmlPage(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
           EscapeHtml(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<main>\n" +
           "<h1>" + EscapeHtml(title) + "</h1>\n" + body + "</main>\n</body>\n</html>\n";
}

void SendHtmlPage(httplib::Response& res, int status, const std::string& html) {
    res.status = status;
    res.set_content(ToValidUtf8(html), "text/html; charset=utf-8");
}

void SendErrorPage(httplib::Response& res, int status, const std::string& title,
                   const std::string& detail) {
    SendHtmlPage(res, status,
                 HtmlPage(title, "<p>" + EscapeHtml(detail) + "</p>\n<p class=\"muted\">" +
                                     std::to_string(status) +
                                     " \xC2\xB7 <a href=\"/\">the fleet</a></p>\n"));
}

std::string FleetPageHtml(const FleetQuery& query, const FleetPage& page,
                          const std::string& company) {
    std::string body = "<form method=\"get\" action=\"/\" role=\"search\">"
                       "<input type=\"search\" name=\"q\" value=\"" +
                       EscapeHtml(query.search) +
                       "\" placeholder=\"Host name, serial number, asset tag, IP or MAC address, "
                       "user, model, OS\" aria-label=\"Search\">";
    if (query.sortBy != ListColumn::kName)
        body += std::string("<input type=\"hidden\" name=\"sort\" value=\"") +
                SortName(query.sortBy) + "\">";
    if (query.descending) body += "<input type=\"hidden\" name=\"desc\" value=\"1\">";
    body += "<button type=\"submit\">Search</button></form>\n<p class=\"muted\">";
    if (page.rows.empty())
        body += query.search.empty() ? "No PC has an inventory yet." : "No PC matches.";
    else
        body += Count(query.offset + 1) + "\xE2\x80\x93" + Count(query.offset + page.rows.size()) +
                " of " + (page.totalCapped ? "more than " : "") + Count(page.total) +
                (page.total == 1 && !page.totalCapped ? " PC" : " PCs");
    if (!query.search.empty()) body += " matching \xE2\x80\x9C" + EscapeHtml(query.search) + "\xE2\x80\x9D";
    body += "</p>\n<table>\n<thead>\n<tr>";
    for (const Column& column : kColumns) {
        ListColumn id;
        FindListColumn(column.sort, id);
        const bool current = id == query.sortBy;
        body += std::string("<th") + (column.number ? " class=\"n\"" : "");
        if (current) body += query.descending ? " aria-sort=\"descending\"" : " aria-sort=\"ascending\"";
        body += "><a href=\"" + FleetLink(query, id, current && !query.descending, 0) + "\">" +
                column.heading;
        if (current) body += query.descending ? " \xE2\x96\xBC" : " \xE2\x96\xB2";
        body += "</a></th>";
    }
    body += "</tr>\n</thead>\n<tbody>\n";
    for (const FleetRow& row : page.rows) {
        const std::string id = std::to_string(row.id);
        // What changed between its inventories, beside the last one.
        std::string inventory = Cell(row.lastInventory, false);
        inventory.insert(inventory.size() - 5,
                         " \xC2\xB7 <a href=\"/pc/" + id + "/changes\">changes</a>");
        body += "<tr><td class=\"n\">" + id + "</td><td><a href=\"/pc/" + id + "\">" +
                EscapeHtml(row.name.empty() ? "PC " + id : row.name) + "</a></td>" +
                Cell(ModelText(row), false) + Cell(row.os, false) + Cell(row.cpu, false) +
                Cell(MemoryText(row.memoryMb), true) + inventory + "</tr>\n";
    }
    body += "</tbody>\n</table>\n";
    body += "<p class=\"muted\"><a href=\"/query\">Queries</a> \xC2\xB7 "
            "<a href=\"/changes\">Changes</a></p>\n";
    const bool further = page.totalCapped || query.offset + page.rows.size() < page.total;
    if (query.offset > 0 || further) {
        body += "<nav>";
        if (query.offset > 0)
            body += "<a href=\"" +
                    FleetLink(query, query.sortBy, query.descending,
                              query.offset > query.limit ? query.offset - query.limit : 0) +
                    "\" rel=\"prev\">\xE2\x86\x90 Previous</a>";
        if (further)
            body += "<a href=\"" +
                    FleetLink(query, query.sortBy, query.descending, query.offset + query.limit) +
                    "\" rel=\"next\">Next \xE2\x86\x92</a>";
        body += "</nav>\n";
    }
    return HtmlPage(company.empty() ? "Fleet" : "Fleet: " + company, body);
}
