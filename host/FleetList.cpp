#include "host/FleetList.h"

#include <algorithm>

#include "host/FleetIndex.h"
#include "host/TextRows.h"

namespace {

struct ColumnInfo {
    ListColumn column;
    const char* name;
    const char* sortKey;  // PCListing columns, each sorted the same way
};

const ColumnInfo kColumns[] = {
    {ListColumn::kId, "id", ""},
    {ListColumn::kName, "name", "[Name]"},
    {ListColumn::kModel, "model", "[Manufacturer], [Model]"},
    {ListColumn::kOs, "os", "[OS]"},
    {ListColumn::kCpu, "cpu", "[CPU]"},
    {ListColumn::kMemory, "memory", "[Memory]"},
    {ListColumn::kLastInventory, "inventory", "[LastInventory]"},
};

// The sort key's columns, the ID last, so that equal values page in a
// stable order.
std::vector<std::string> SortKey(ListColumn column) {
    std::vector<std::string> key;
    for (const ColumnInfo& info : kColumns) {
        if (info.column != column) continue;
        const std::string keys = info.sortKey;
        for (size_t start = 0; start < keys.size();) {
            size_t end = keys.find(", ", start);
            if (end == std::string::npos) end = keys.size();
            key.push_back(keys.substr(start, end - start));
            start = end + 2;
        }
    }
    key.push_back("[ID]");
    return key;
}

// "ORDER BY key1 DESC, key2 DESC, [ID] DESC": every key in the direction.
std::string OrderBy(ListColumn column, bool descending) {
    std::string order;
    for (const std::string& key : SortKey(column))
        order += (order.empty() ? "" : ", ") + key + (descending ? " DESC" : "");
    return " ORDER BY " + order;
}

std::string Window(DbDialect dialect, size_t offset, size_t limit) {
    const std::string skip = std::to_string(offset);
    const std::string take = std::to_string(limit);
    switch (dialect) {
        case DbDialect::SQLServer:
            return " OFFSET " + skip + " ROWS" +
                   (limit ? " FETCH NEXT " + take + " ROWS ONLY" : "");
        case DbDialect::SQLite:
            return " LIMIT " + (limit ? take : std::string("-1")) + " OFFSET " + skip;
        case DbDialect::PostgreSQL:
        case DbDialect::Generic:
            break;
    }
    return (limit ? " LIMIT " + take : std::string()) + " OFFSET " + skip;
}

// Matches beyond which a page is found by walking the sort column's index
// rather than by sorting the matches: SQLite's, and PostgreSQL's.
constexpr size_t kManyMatches = 1000;
constexpr size_t kManyMatchesPostgres = 5000;

// A first page of a search with more matches than that is first looked for
// among this many times its rows at the head of the sort order: common
// values (a model, an operating system) fill it there, long before the
// index has listed every match.
constexpr size_t kHeadRowsPerRow = 10;
constexpr size_t kHeadPageRows = 200;

// `select` ("SELECT ...") returning at most `rows` rows.
std::string FirstRows(DbDialect dialect, const std::string& select, size_t rows) {
    if (dialect == DbDialect::SQLServer)
        return "SELECT TOP (" + std::to_string(rows) + ") " + select.substr(7);
    return select + " LIMIT " + std::to_string(rows);
}

size_t CodePoints(const std::string& text) {
    size_t count = 0;
    for (char ch : text) count += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    return count;
}

// The search as the values are compared with it: case-folded, without
// control characters.
std::string SearchFolded(const std::string& search) {
    std::string folded;
    for (char ch : FoldCase(search))
        if (static_cast<unsigned char>(ch) >= 0x20) folded += ch;  // values are one per line
    return folded;
}

// The IDs of the PCs whose searchable values hold `folded` (SearchFolded),
// as a SELECT with one '?' and the value for it. SQLite's trigram index
// answers a phrase of three or more characters exactly (a MATCH, never reading the rows); PostgreSQL's
// pg_trgm index answers LIKE. Shorter texts, and LIKE's own wildcards on
// other databases, are found by reading every row's values.
std::string SearchSelect(DbDialect dialect, const std::string& folded, std::string& value) {
    if (dialect == DbDialect::SQLite && CodePoints(folded) >= 3) {
        value = "\"";
        for (char ch : folded) value += ch == '"' ? std::string("\"\"") : std::string(1, ch);
        value += '"';
        return "SELECT rowid FROM [dbo].[PCSearch] WHERE [PCSearch] MATCH ?";
    }
    bool escaped = false;
    value = "%";
    for (char ch : folded) {
        if (ch == '%' || ch == '_' || ch == '\\') {
            value += '\\';
            escaped = true;
        }
        value += ch;
    }
    value += '%';
    return std::string("SELECT [ID] FROM [dbo].[PCSearch] WHERE [Text] LIKE ?") +
           (escaped ? " ESCAPE '\\'" : "");
}

const char kListColumns[] =
    "SELECT [ID], [Name], [Manufacturer], [Model], [OS], [CPU], [Memory], [LastInventory] "
    "FROM [dbo].[PCListing]";

// The rows of a statement on kListColumns, after the first `skip`, onto
// `page`; how many it gave in all.
size_t ReadListRows(TextRows& rows, size_t skip, FleetPage& page) {
    size_t count = 0;
    for (bool more = rows.Run(); more; more = rows.Next()) {
        if (count++ < skip) continue;
        FleetRow row;
        row.id = static_cast<int32_t>(rows.Number(0, 0));
        row.name = rows[1];
        row.manufacturer = rows[2];
        row.model = rows[3];
        row.os = rows[4];
        row.cpu = rows[5];
        row.memoryMb = rows.Number(6);
        row.lastInventory = rows[7];
        page.rows.push_back(std::move(row));
    }
    return count;
}

// SQLite: the page of a search whose folded text is plain ASCII, read off
// the head of the sort order with each row's values tested directly. False,
// with no rows, when the head holds too few matches to fill the page. On
// ASCII text that test (a substring of the folded values) agrees with the
// trigram index's and with LIKE's.
bool HeadPage(CDatabase& db, const FleetQuery& query, const std::string& folded,
              FleetPage& page) {
    const size_t wanted = query.offset + query.limit;
    const std::string order = OrderBy(query.sortBy, query.descending);
    const std::vector<std::string> columns = SortKey(query.sortBy);
    std::string key;
    for (const std::string& column : columns) key += (key.empty() ? "" : ", ") + column;
    const size_t keyColumns = columns.size();
    // The head's last row, where the walk stops whatever it found; any row
    // would do, as the rows up to it are a head of the order.
    std::vector<std::string> params;
    std::string bound;
    {
        TextRows last(db,
                      "SELECT " + key + " FROM [dbo].[PCListing]" + order + " LIMIT 1 OFFSET " +
                          std::to_string(wanted * kHeadRowsPerRow - 1),
                      keyColumns);
        if (last.Run()) {
            std::string marks;
            for (size_t i = 0; i < keyColumns; ++i) {
                params.push_back(last[i]);
                marks += i ? ", ?" : "?";
            }
            bound = "(" + key + ") " + (query.descending ? ">= (" : "<= (") + marks + ") AND ";
        }
    }
    params.push_back(folded);
    TextRows head(db,
                  std::string(kListColumns) + " WHERE " + bound +
                      "instr((SELECT [Text] FROM [dbo].[PCSearch] WHERE rowid = "
                      "[PCListing].[ID]), ?) > 0" +
                      order + " LIMIT " + std::to_string(wanted),
                  8, params);
    if (ReadListRows(head, query.offset, page) == wanted) return true;
    page.rows.clear();
    return false;
}

}  // namespace

bool FindListColumn(const std::string& name, ListColumn& column) {
    for (const ColumnInfo& info : kColumns)
        if (name == info.name) {
            column = info.column;
            return true;
        }
    return false;
}

std::string ListColumnNames() {
    std::string names;
    for (const ColumnInfo& info : kColumns)
        names += (names.empty() ? "" : ", ") + std::string(info.name);
    return names;
}

FleetPage ListFleet(CDatabase& db, const FleetQuery& query) {
    const DbDialect dialect = db.GetDialect();
    std::string found, with, where, counted = "[dbo].[PCListing]", value;
    const std::string folded = SearchFolded(query.search);
    std::vector<std::string> params;
    size_t cap = 0;
    if (!query.search.empty()) {
        found = SearchSelect(dialect, folded, value);
        where = " WHERE [ID] IN (" + found + ")";
        if (query.countLimit && query.limit)
            cap = std::max(query.countLimit, query.offset + query.limit);
        // The index alone counts them, up to one past the cap, or past what
        // decides PostgreSQL's plan.
        const size_t counting =
            dialect == DbDialect::PostgreSQL && cap ? std::max(cap, kManyMatchesPostgres) : cap;
        counted = "(" + (cap ? FirstRows(dialect, found, counting + 1) : found) + ") found";
        params.push_back(value);
    }
    FleetPage page;
    {
        TextRows count(db, "SELECT COUNT(*) FROM " + counted, 1, params);
        if (count.Run()) page.total = static_cast<size_t>(count.Number(0, 0));
    }
    const size_t matches = page.total;
    if (cap && page.total > cap) {
        page.total = cap;
        page.totalCapped = true;
    }
    // PostgreSQL walks the sort column's index and tests each PC against the
    // search, which suits many matches; for a few thousand it is faster to
    // take the matches first and sort their rows (measured on 100,000 PCs).
    if (!where.empty() && dialect == DbDialect::PostgreSQL && matches <= kManyMatchesPostgres) {
        with = "WITH found AS MATERIALIZED (" + found + ") ";
        where = " WHERE [ID] IN (SELECT [ID] FROM found)";
    }
    // SQLite seeks each match by its ID and sorts them all, unless told
    // otherwise ('+' keeps the ID's key out of it): with many matches,
    // walking the sort column's index until the page is full is faster.
    // Faster still, when the index's matches need not be listed at all: the
    // page found at the head of the order.
    using Plan = FleetQuery::Plan;
    const bool many = matches > kManyMatches;
    if (!where.empty() && dialect == DbDialect::SQLite && query.plan != Plan::kSortMatches &&
        (many || query.plan != Plan::kChosen)) {
        const bool ascii = std::all_of(folded.begin(), folded.end(),
                                       [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
        const bool head = query.plan == Plan::kHeadOnly ||
                          (query.plan == Plan::kChosen && query.offset + query.limit <= kHeadPageRows);
        if (head && ascii && query.limit &&
            HeadPage(db, query, folded, page))
            return page;
        if (query.plan == Plan::kHeadOnly) return page;
        where = " WHERE +[ID] IN (" + found + ")";
    }
    TextRows rows(db,
                  with + kListColumns + where + OrderBy(query.sortBy, query.descending) +
                      Window(db.GetDialect(), query.offset, query.limit),
                  8, params);
    ReadListRows(rows, 0, page);
    return page;
}

std::string ModelText(const FleetRow& row) {
    if (row.manufacturer.empty() || row.model.empty()) return row.manufacturer + row.model;
    const std::string maker = FoldCase(row.manufacturer.substr(0, row.manufacturer.find(' ')));
    if (FoldCase(row.model).compare(0, maker.size(), maker) == 0) return row.model;
    return row.manufacturer + " " + row.model;
}

TextTable FleetRowsTable(const std::vector<FleetRow>& rows) {
    TextTable table;
    table.columns = {"ID", "Name", "Manufacturer", "Model",
                     "OS", "CPU",  "MemoryMB",     "LastInventory"};
    table.numeric = {true, false, false, false, false, false, true, false};
    for (const FleetRow& row : rows)
        table.rows.push_back({std::to_string(row.id), row.name, row.manufacturer, row.model, row.os,
                              row.cpu, row.memoryMb < 0 ? "" : std::to_string(row.memoryMb),
                              row.lastInventory});
    return table;
}
