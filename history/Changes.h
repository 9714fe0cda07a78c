// What changed on a PC, and across the fleet, from the snapshots the imports
// kept: the API behind `hwconsole changes` and a web server's change pages.
//
//   hwhistory::ChangesOptions options;   // since, all
//   hwhistory::ChangeList list = hwhistory::PcChanges(db, 7, options);
//   std::string page = hwhistory::ChangesHtml(list, {});   // or Json, Text, Csv
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/ReportDiff.h"
#include "platform/Database.h"

namespace hwhistory {

struct ChangesOptions {
    std::string since;  // ISO 8601 date or time (UTC); "" for all the history kept
    bool all = false;   // also the values that change all the time (free space, user)
};

// One step of a PC's history: from the snapshot `previousTime` to `time`.
struct PcChange {
    int32_t pcId = 0;
    std::string name;          // the PC's host name
    std::string previousTime;  // "" when the PC had no snapshot before (a new PC)
    std::string time;
    std::vector<std::string> significant;  // "memory", "disk count", "serial number"
    std::vector<RowChange> rows;
};

struct ChangeList {
    std::string since;
    std::vector<PcChange> changes;
};

// A PC's changes, newest first: one per snapshot taken at or after `since`
// that differs from the one before it (in volatile values only with `all`).
// Throws CDBException, or std::runtime_error for a damaged snapshot.
ChangeList PcChanges(CDatabase& db, int32_t pcId, const ChangesOptions& options);

// The fleet's changes since `options.since`: per PC with a snapshot since
// then, its newest snapshot against the last one before `since` (none: a
// new PC). PCs whose memory, disk count or serial number changed come first,
// then the others, each group by PC ID.
ChangeList FleetChanges(CDatabase& db, const ChangesOptions& options);

// Whether `text` is a date (YYYY-MM-DD) or a time (YYYY-MM-DDTHH:MM[:SS][Z])
// that --since takes.
bool IsSinceDate(const std::string& text);

// The renderings. JSON: {"since": "...", "changes": [{"pc", "name",
// "previous", "time", "significant": [...], "rows": [{"section", "item",
// "key", "change", "fields": [{"field", "old"?, "new"?}]}]}]}; text: one
// block per change; CSV: one line per field with a header line; XML: the
// document that Styles/ChangesStyleSheet.xsl turns into HTML.
std::string ChangesJson(const ChangeList& list);
std::string RowsJson(const std::vector<RowChange>& rows);
std::string ChangesText(const ChangeList& list);
std::string ChangesCsv(const ChangeList& list);
std::string ChangesXml(const ChangeList& list, const std::string& title);

struct ChangesPage {
    std::string title;        // the page's heading
    std::string pcLink;       // where a PC's page is, {id} for its ID ("" no links)
    std::string stylesFolder; // "" for the installation's Styles/
};
// The HTML page; "" when the stylesheet fails (GetLastTransformFailure says why).
std::string ChangesHtml(const ChangeList& list, const ChangesPage& page);

}  // namespace hwhistory
