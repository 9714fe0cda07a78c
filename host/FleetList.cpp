#include "host/FleetList.h"

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

// "ORDER BY key1 DESC, key2 DESC, [ID] DESC": every key in the direction,
// the ID last so that equal values page in a stable order.
std::string OrderBy(ListColumn column, bool descending) {
    const std::string direction = descending ? " DESC" : "";
    std::string keys;
    for (const ColumnInfo& info : kColumns)
        if (info.column == column) keys = info.sortKey;
    std::string order;
    size_t start = 0;
    while (start < keys.size()) {
        size_t end = keys.find(", ", start);
        if (end == std::string::npos) end = keys.size();
        order += keys.substr(start, end - start) + direction + ", ";
        start = end + 2;
    }
    return " ORDER BY " + order + "[ID]" + direction;
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

// The PCs whose searchable values hold `search`, as a condition with one
// '?' for the pattern. Only a pattern free of escapes reaches the trigram
// index; LIKE's own wildcards in the text are escaped and found by a scan.
std::string SearchCondition(const std::string& search, std::string& pattern) {
    const std::string folded = FoldCase(search);
    bool escaped = false;
    pattern = "%";
    for (char ch : folded) {
        if (ch == '%' || ch == '_' || ch == '\\') {
            pattern += '\\';
            escaped = true;
        }
        pattern += ch;
    }
    pattern += '%';
    return std::string("[ID] IN (SELECT [ID] FROM [dbo].[PCSearch] WHERE [Text] LIKE ?") +
           (escaped ? " ESCAPE '\\')" : ")");
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
    std::string where, pattern;
    std::vector<std::string> params;
    if (!query.search.empty()) {
        where = " WHERE " + SearchCondition(query.search, pattern);
        params.push_back(pattern);
    }
    FleetPage page;
    {
        TextRows count(db, "SELECT COUNT(*) FROM [dbo].[PCListing]" + where, 1, params);
        if (count.Run()) page.total = static_cast<size_t>(count.Number(0, 0));
    }
    TextRows rows(db,
                  "SELECT [ID], [Name], [Manufacturer], [Model], [OS], [CPU], [Memory], "
                  "[LastInventory] FROM [dbo].[PCListing]" +
                      where + OrderBy(query.sortBy, query.descending) +
                      Window(db.GetDialect(), query.offset, query.limit),
                  8, params);
    for (bool more = rows.Run(); more; more = rows.Next()) {
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
    return page;
}
