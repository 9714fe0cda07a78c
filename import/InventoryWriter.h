// Stores mapped inventories: finds the PC each one belongs to and replaces
// that PC's rows, inside a batch transaction with one save point per
// inventory. A failing inventory rolls back to its save point, so each PC is
// all or nothing while a batch of them pays for one commit.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "import/Import.h"
#include "platform/Statement.h"
#include "platform/Transaction.h"

namespace hwimport {

class InventoryWriter {
public:
    // `db` as ImportInventory wants it; it must outlive the writer. One
    // thread at a time.
    explicit InventoryWriter(CDatabase& db, AfterWriteHook afterWrite = {});
    ~InventoryWriter();  // rolls back a batch that was not committed
    InventoryWriter(const InventoryWriter&) = delete;
    InventoryWriter& operator=(const InventoryWriter&) = delete;

    // Starts a batch transaction. Throws CDBException.
    void BeginBatch();
    // Writes one inventory inside the batch, under a save point: on any
    // database error (or an exception from the hook) it is undone and the
    // result says Failed. Throws CDBException only when even the rollback to
    // the save point fails: then the batch is lost.
    ImportResult Write(const Inventory& inventory);
    // Runs `work` inside the batch (starting one when none is open) under a
    // save point: when it throws, what it wrote is undone and its message
    // returned; "" when it succeeded. Throws CDBException only when even the
    // rollback to the save point fails: then the batch is lost.
    std::string WriteGuarded(const std::function<void()>& work);
    // Commits the batch. Throws CDBException (the batch is then rolled back).
    void CommitBatch();
    // Undoes the whole batch; never throws.
    void RollbackBatch() noexcept;
    bool InBatch() const { return m_transaction != nullptr; }

    // The keys matching could find a PC by once `identity` is written to
    // it: an inventory whose keys share none with those of one just written
    // cannot go to that one's PC.
    static std::vector<std::string> MatchKeys(const PcIdentity& identity);

private:
    struct Stored;  // a PCIdentity row
    bool Find(const char* where, const std::vector<std::string>& params, Stored& found);
    bool Match(const PcIdentity& identity, Stored& found);
    int32_t NextPcId();
    LONG QueryLong(const std::string& sql, const std::vector<std::string>& params = {});
    int32_t DeviceId(ImportDevice device);
    int32_t PropertyId(ImportDevice device, const std::string& name);
    CStatement& Prepared(const std::string& sql);
    void DeleteRows(int32_t pcId);
    void InsertRows(int32_t pcId, const Inventory& inventory);
    void InsertMany(const char* table, const std::vector<const char*>& columns,
                    const std::vector<ColumnType>& types, const std::vector<Row>& rows);
    void WriteIdentity(int32_t pcId, const PcIdentity& identity, const std::string& digest,
                       const Stored* stored);
    void ForgetCaches();

    CDatabase& m_db;
    AfterWriteHook m_afterWrite;
    std::unique_ptr<CTransaction> m_transaction;
    std::map<std::string, std::unique_ptr<CStatement>> m_statements;  // by SQL text
    std::map<ImportDevice, int32_t> m_deviceIds;
    std::map<std::pair<int32_t, std::string>, int32_t> m_propertyIds;
    LONG m_legacyMaxId = -1;  // highest ID in the hardware tables; -1: not read yet
};

}  // namespace hwimport
