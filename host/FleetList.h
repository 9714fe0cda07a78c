// The fleet as a list: one row per PC, sorted by any column, a page at a
// time, optionally narrowed by a search. `hwconsole list` prints it; a web
// page shows the same pages. Reads the fleet index (FleetIndex.h), so a page
// of 100,000 PCs costs index reads, not a scan of the hardware tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/TableExport.h"
#include "platform/Database.h"

// What the list shows of one PC. Text is "" where the inventory has nothing.
struct FleetRow {
    int32_t id = 0;
    std::string name;  // the host name
    std::string manufacturer;
    std::string model;
    std::string os;
    std::string cpu;            // the first processor's name
    long long memoryMb = -1;    // -1: unknown
    std::string lastInventory;  // ISO 8601 UTC ("2024-05-01T08:30:00Z"), "" when never taken
};

enum class ListColumn { kId, kName, kModel, kOs, kCpu, kMemory, kLastInventory };

// The column called `name` ("id", "name", "model", "os", "cpu", "memory",
// "inventory"); false for any other name.
bool FindListColumn(const std::string& name, ListColumn& column);
// "id, name, model, os, cpu, memory, inventory".
std::string ListColumnNames();

struct FleetQuery {
    // Case-insensitive substring of a host name, serial number, asset tag,
    // IP or MAC address, logged-on user, manufacturer, model or operating
    // system; "" lists every PC.
    std::string search;
    ListColumn sortBy = ListColumn::kName;  // ties are ordered by ID
    bool descending = false;
    size_t offset = 0;
    size_t limit = 100;  // 0: every row from offset on
    // A search's matches are counted up to this many (or to the page's end,
    // when that is further); 0 counts them all. Counting 10,000 matches
    // costs more than showing the page.
    size_t countLimit = 0;
    // How SQLite reads a search's page: by default the way the number of
    // matches suits; the others, which give the same page, force one way.
    // kHeadOnly looks only at the head of the sort order, and gives no rows
    // when the matches there do not fill the page (or the search is not
    // plain ASCII).
    enum class Plan { kChosen, kSortMatches, kWalkIndex, kHeadOnly };
    Plan plan = Plan::kChosen;
};

struct FleetPage {
    std::vector<FleetRow> rows;
    size_t total = 0;           // PCs that match, over all pages
    bool totalCapped = false;   // more than `total` match (FleetQuery::countLimit)
};

// One page of the fleet on an open session whose tables answer to "dbo".
// Throws CDBException, also when the database has no fleet index.
FleetPage ListFleet(CDatabase& db, const FleetQuery& query);

// The maker and the model as one text, the maker left out when the model's
// name starts with its first word ("Norvik Travelbook 14", not "Norvik
// Computer Norvik Travelbook 14").
std::string ModelText(const FleetRow& row);

// Rows for export (TableExport.h): ID, Name, Manufacturer, Model, OS, CPU,
// MemoryMB (empty when unknown), LastInventory.
TextTable FleetRowsTable(const std::vector<FleetRow>& rows);
