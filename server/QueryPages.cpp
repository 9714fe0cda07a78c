// The named queries over the web, from the one list every host shares
// (host/NamedQueries.h).
#include <map>

#include "host/NamedQueries.h"
#include "host/Output.h"
#include "server/Pages.h"
#include "server/Routes.h"

namespace {

std::string QueryListHtml() {
    std::string body;
    for (const NamedQueryInfo& query : NamedQueries()) {
        const std::string name = EscapeHtml(query.name);
        body += "<h2>" + name + "</h2>\n<p>" + EscapeHtml(query.description) +
                "</p>\n<form method=\"get\" action=\"/query/" + name + "\">";
        for (const NamedQueryParameter& parameter : query.parameters)
            body += "<label>" + EscapeHtml(parameter.description) +
                    " <input name=\"" + EscapeHtml(parameter.name) + "\" required placeholder=\"" +
                    EscapeHtml(parameter.valueName) + "\"></label>";
        body += "<select name=\"format\" aria-label=\"Format\"><option value=\"html\">page</option>"
                "<option value=\"csv\">CSV</option><option value=\"json\">JSON</option></select>"
                "<button type=\"submit\">Run</button></form>\n";
    }
    return HtmlPage("Queries", body + "<p class=\"muted\"><a href=\"/\">the fleet</a></p>\n");
}

void ServeQuery(RouteContext& page) {
    const httplib::Request& req = page.request;
    const std::string name = req.matches[1].str();
    bool known = false;
    for (const NamedQueryInfo& query : NamedQueries()) known = known || query.name == name;
    if (!known) {
        page.SendError(404, "No such query", "There is no query called " + name + ".");
        return;
    }
    const std::string format = req.has_param("format") ? req.get_param_value("format") : "html";
    if (format != "html" && format != "csv" && format != "json") {
        page.SendError(400, "Unknown format", "A query comes as html, csv or json.");
        return;
    }
    std::map<std::string, std::string> values;
    for (const auto& param : req.params)
        if (param.first != "format") values[param.first] = param.second;
    PreparedQuery query;
    std::string error, document, text;
    if (!PrepareNamedQuery(name, values, query, error)) {
        page.SendError(400, "The query cannot run", error);
        return;
    }
    if (page.options.queryConnect.empty()) {
        page.SendError(503, "Queries are off",
                       "The server has no read-only connection for queries (--query-connect).");
        return;
    }
    const QueryHeader header{"", page.options.company, page.options.user, LocalTimeStamp()};
    switch (RunQueryDocument(page.QueryConnection(), query, header, QueryLimits(), document,
                             error)) {
        case QueryStatus::kOk:
            break;
        case QueryStatus::kRefused:
            page.SendError(400, "The query was refused", error);
            return;
        case QueryStatus::kTimedOut:
        case QueryStatus::kFailed:
            page.DropQueryConnection();  // a fresh one for the next query
            page.SendDatabaseError("", error);
            return;
    }
    if (format == "html") {
        if (RenderQueryPage(page.component, document, "/pc/{id}", text, error) !=
            QueryPageStatus::kOk) {
            page.SendError(500, "The page could not be made", error);
            return;
        }
        page.Send(200, std::move(text), "text/html; charset=utf-8");
        return;
    }
    long long cutAt = -1;
    if (!ExportQueryDocument(document, format == "json", text, cutAt, error)) {
        page.SendError(500, "The rows could not be written", error);
        return;
    }
    // The name is one of the list's, so it is safe in the header.
    page.response.set_header("Content-Disposition",
                             "attachment; filename=\"" + name + "." + format + "\"");
    page.Send(200, std::move(text),
              format == "json" ? "application/json; charset=utf-8" : "text/csv; charset=utf-8");
}

}  // namespace

void AddQueryRoutes(WebServer& server) {
    server.Get("/query", [](RouteContext& page) { page.SendHtml(200, QueryListHtml()); });
    server.Get(R"(/query/([a-z0-9-]{1,64}))", ServeQuery);
}
