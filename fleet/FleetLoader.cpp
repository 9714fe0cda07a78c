#include "fleet/FleetLoader.h"

#include <algorithm>

FleetLoader::FleetLoader(CDatabase& db, const std::string& owner) : m_db(db), m_owner(owner) {
    for (const FleetTableInfo& info : FleetTables()) {
        Table table;
        // Within every server's parameter limit (SQL Server's is 2100).
        table.batch = std::max<size_t>(1, std::min<size_t>(100, 2000 / info.columns.size()));
        table.pending.resize(table.batch * info.columns.size());
        table.full = Prepare(info, table.batch);
        m_tables.push_back(std::move(table));
    }
}

void FleetLoader::AddRow(FleetTable id, const FleetValue* values, size_t count) {
    Table& table = m_tables[id];
    FleetValue* row = &table.pending[table.rows * count];
    for (size_t i = 0; i < count; ++i) {
        // Assignment keeps each slot's text buffer from batch to batch.
        row[i].kind = values[i].kind;
        row[i].number = values[i].number;
        row[i].real = values[i].real;
        if (values[i].kind == FleetValue::Text) row[i].text = values[i].text;
    }
    if (++table.rows == table.batch) Flush(id, *table.full);
}

void FleetLoader::Finish() {
    for (size_t id = 0; id < m_tables.size(); ++id) {
        Table& table = m_tables[id];
        if (table.rows == 0) continue;
        std::unique_ptr<CStatement> rest = Prepare(FleetTables()[id], table.rows);
        Flush(static_cast<FleetTable>(id), *rest);
    }
}

std::unique_ptr<CStatement> FleetLoader::Prepare(const FleetTableInfo& info, size_t rows) {
    std::string sql = "INSERT INTO " + m_owner + "[" + info.name + "] (";
    std::string marks = "(";
    for (size_t i = 0; i < info.columns.size(); ++i) {
        sql += std::string(i ? "," : "") + "[" + info.columns[i].name + "]";
        marks += i ? ",?" : "?";
    }
    marks += ")";
    sql += ") VALUES " + marks;
    for (size_t r = 1; r < rows; ++r) sql += "," + marks;
    return std::make_unique<CStatement>(m_db, sql.c_str());
}

void FleetLoader::Flush(FleetTable id, CStatement& statement) {
    Table& table = m_tables[id];
    const std::vector<FleetColumn>& columns = FleetTables()[id].columns;
    const size_t count = table.rows * columns.size();
    for (size_t i = 0; i < count; ++i) {
        const int param = static_cast<int>(i + 1);
        const FleetValue& v = table.pending[i];
        const FleetType type = columns[i % columns.size()].type;
        switch (v.kind) {
            case FleetValue::Long:
                statement.BindLong(param, v.number);
                break;
            case FleetValue::Double:
                statement.BindDouble(param, v.real);
                break;
            case FleetValue::Text:
                statement.BindText(param, v.text);
                break;
            case FleetValue::Null:
                statement.BindNull(param, type == FleetType::Long     ? SQL_INTEGER
                                          : type == FleetType::Double ? SQL_DOUBLE
                                                                      : SQL_VARCHAR);
                break;
        }
    }
    statement.Execute();
    m_rows += static_cast<long long>(table.rows);
    table.rows = 0;
}
