// GET /pc/ID/changes and GET /changes: what changed between the imports'
// snapshots, as `hwconsole changes` shows it, PCs linking to their pages.
#include <charconv>
#include <ctime>
#include <string>

#include "history/Changes.h"
#include "host/TextRows.h"
#include "platform/XmlServices.h"
#include "server/Pages.h"
#include "server/Routes.h"

namespace {

// The fleet's changes without a date: those of the last 7 days, a look at
// the week that is light enough to sit behind a link on the fleet page.
constexpr int kDefaultDays = 7;

std::string DaysAgo(int days) {
    const time_t then = time(nullptr) - static_cast<time_t>(days) * 86400;
    struct tm utc = {};
    gmtime_r(&then, &utc);
    char text[16];
    strftime(text, sizeof text, "%Y-%m-%d", &utc);
    return text;
}

// The options from ?since=DATE and ?all=1; false after the 400 page for a
// date that is none.
bool ReadOptions(RouteContext& page, hwhistory::ChangesOptions& options) {
    options.since = page.request.get_param_value("since");
    options.all = page.request.get_param_value("all") == "1";
    if (options.since.empty() || hwhistory::IsSinceDate(options.since)) return true;
    page.SendError(400, "Bad date",
                   "since= needs a date, YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ (UTC), not \"" +
                       options.since + "\".");
    return false;
}

void SendChanges(RouteContext& page, const hwhistory::ChangeList& list, const std::string& title) {
    const std::string html = hwhistory::ChangesHtml(list, {title, "/pc/{id}", ""});
    if (html.empty())
        page.SendError(500, "The changes page could not be made", GetLastTransformFailure());
    else
        page.SendHtml(200, html);
}

void ServePcChanges(RouteContext& page) {
    int32_t id = 0;
    const std::string& digits = page.request.matches[1].str();
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), id);
    const bool number = parsed.ec == std::errc() && id >= 0;
    hwhistory::ChangesOptions options;
    if (number && !ReadOptions(page, options)) return;
    CDatabase& db = page.Database();
    hwhistory::ChangeList list;
    if (number) list = hwhistory::PcChanges(db, id, options);
    if (list.changes.empty()) {
        // No history yet is a page of its own; no PC at all is not.
        bool known = number;
        if (known) {
            TextRows listed(db, "SELECT COUNT(*) FROM [dbo].[PCListing] WHERE [ID] = " +
                                    std::to_string(id), 1);
            known = listed.Run() && listed.Number(0, 0) != 0;
        }
        if (!known) {
            page.SendError(404, "No such PC", "There is no PC " + digits + ".");
            return;
        }
    }
    SendChanges(page, list, "Changes of PC " + digits);
}

void ServeFleetChanges(RouteContext& page) {
    hwhistory::ChangesOptions options;
    if (!ReadOptions(page, options)) return;
    if (options.since.empty()) options.since = DaysAgo(kDefaultDays);
    SendChanges(page, hwhistory::FleetChanges(page.Database(), options), "Fleet changes");
}

}  // namespace

void AddChangeRoutes(WebServer& server) {
    server.Get(R"(/pc/(\d{1,10})/changes)", ServePcChanges);
    server.Get("/changes", ServeFleetChanges);
}
