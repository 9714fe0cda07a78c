// The sample fleet into a database: the FleetSink that writes every row.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "fleet/FleetGenerator.h"
#include "platform/Database.h"
#include "platform/Statement.h"

// Writes the generated rows through prepared multi-row INSERTs: drivers
// that compile a statement anew on every execute (the SQLite one does) pay
// that once per batch instead of once per row. Each table's rows keep their
// order. Call Finish() to write the last, partial batches. The database must
// outlive the loader; every failure throws CDBException.
class FleetLoader : public FleetSink {
public:
    // `owner` qualifies the table names: "" or "[dbo].".
    FleetLoader(CDatabase& db, const std::string& owner);

    void AddRow(FleetTable id, const FleetValue* values, size_t count) override;
    void Finish();

    // Rows written so far.
    long long Rows() const { return m_rows; }

private:
    struct Table {
        size_t batch = 1;
        size_t rows = 0;  // waiting in `pending`
        std::vector<FleetValue> pending;
        std::unique_ptr<CStatement> full;  // INSERT of `batch` rows
    };

    std::unique_ptr<CStatement> Prepare(const FleetTableInfo& info, size_t rows);
    void Flush(FleetTable id, CStatement& statement);

    CDatabase& m_db;
    std::string m_owner;
    std::vector<Table> m_tables;  // indexed by FleetTable
    long long m_rows = 0;
};
