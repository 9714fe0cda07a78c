#include "server/Routes.h"

#include <charconv>
#include <memory>

#include "host/FleetList.h"
#include "host/PcLookup.h"
#include "host/ReportFormat.h"
#include "host/ReportRun.h"
#include "server/Pages.h"

namespace {

constexpr size_t kPageRows = 100;
constexpr size_t kMaxSearch = 200;  // bytes; more is not a name anyone types
constexpr size_t kCountUpTo = 1000;  // "more than 1,000": nobody pages further by hand

struct PcFormat {
    const char* format;  // as `report --format` names it
    const char* suffix;  // after /pc/ID
    const char* contentType;
};
const PcFormat kPcFormats[] = {
    {"html", "", "text/html; charset=utf-8"},
    {"xml", "\\.xml", "application/xml; charset=utf-8"},
    {"text", "\\.txt", "text/plain; charset=utf-8"},
    {"print", "/print", "text/html; charset=utf-8"},
};

bool ReadCount(const std::string& text, size_t max, size_t& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && value <= max;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
}

void ServeFleet(RouteContext& page) {
    const httplib::Request& req = page.request;
    FleetQuery query;
    query.limit = kPageRows;
    query.countLimit = kCountUpTo;
    query.search = Trimmed(req.get_param_value("q"));
    if (query.search.size() > kMaxSearch) {
        page.SendError(400, "Search too long",
                       "A search is at most " + std::to_string(kMaxSearch) + " bytes.");
        return;
    }
    if (req.has_param("sort") && !FindListColumn(req.get_param_value("sort"), query.sortBy)) {
        page.SendError(400, "Unknown column",
                       "Sort by one of: " + ListColumnNames() + ".");
        return;
    }
    query.descending = req.get_param_value("desc") == "1";
    if (req.has_param("offset") && !ReadCount(req.get_param_value("offset"), INT32_MAX, query.offset)) {
        page.SendError(400, "Bad offset", "The offset is a whole number.");
        return;
    }
    CDatabase& db = page.Database();
    const FleetPage rows = ListFleet(db, query);
    // One PC known exactly by this name, serial number or asset tag: its
    // page. A number stays a search (IDs have their own address), and only a
    // short list is worth the look-up, among the PCs found.
    const bool number = query.search.find_first_not_of("0123456789") == std::string::npos;
    if (!query.search.empty() && !number && query.offset == 0 && !rows.totalCapped &&
        rows.total >= 1 && rows.total <= kPageRows) {
        std::vector<int32_t> found;
        for (const FleetRow& row : rows.rows) found.push_back(row.id);
        if (const int32_t id = PcNamedAmong(db, query.search, found)) {
            page.response.set_redirect("/pc/" + std::to_string(id), 303);
            return;
        }
    }
    page.SendHtml(200, FleetPageHtml(query, rows, page.options.company));
}

void ServeReport(RouteContext& page, const ReportStyles& styles, const PcFormat& format) {
    int32_t id = 0;
    const std::string& digits = page.request.matches[1].str();
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), id);
    if (parsed.ec != std::errc() || id < 0) {
        page.SendError(404, "No such PC", "There is no PC " + digits + ".");
        return;
    }
    ReportRequest request;
    request.pcId = id;
    request.user = page.options.user;
    request.company = page.options.company;
    request.hostString = styles.hostString;
    ReportOutcome outcome = RenderReport(page.exports, page.Connection(), request);
    switch (outcome.status) {
        case ReportOutcome::kOk:
            page.Send(200, std::move(outcome.text), format.contentType);
            break;
        case ReportOutcome::kNoInventory:
            page.SendError(404, "No such PC",
                           "PC " + std::to_string(id) + " has no inventory rows.");
            break;
        case ReportOutcome::kDatabaseError:
            page.SendDatabaseError(outcome.sqlState, outcome.error);
            break;
        case ReportOutcome::kTransformFailed:
            page.SendError(500, "The report could not be made",
                           DescribeStylesheetFailure(ReportStylesheetPath(styles), outcome.error));
            break;
    }
}

}  // namespace

bool AddPageRoutes(WebServer& server, std::string& error) {
    server.Get("/", ServeFleet);
    for (const PcFormat& format : kPcFormats) {
        auto styles = std::make_shared<ReportStyles>();
        if (!ResolveReportStyles(std::string(format.format), std::nullopt,
                                 server.Options().componentPath, *styles, error))
            return false;
        server.Get(std::string(R"(/pc/(\d{1,10}))") + format.suffix,
                   [styles, &format](RouteContext& page) { ServeReport(page, *styles, format); });
    }
    server.Get("/healthz", [](RouteContext& page) {
        page.Database().ExecuteSQL("SELECT 1");
        page.Send(200, "ok\n", "text/plain; charset=utf-8");
    });
    return true;
}
