#include "import/InventoryWriter.h"

#include <cstdlib>

#include "host/FleetIndex.h"
#include "import/Placeholders.h"

namespace hwimport {

namespace {

const char kSavepoint[] = "hw_import_pc";
const char kGuardedSavepoint[] = "hw_import_guarded";

// The identity columns after [ID], in the order of every statement below.
const char* const kIdentityColumns[] = {"DeviceID",      "UUID",         "HostName",
                                        "SerialNumber",  "Manufacturer", "AssetTag",
                                        "InventoryTime", "Agent",        "ContentDigest"};
constexpr size_t kIdentityCount = sizeof kIdentityColumns / sizeof kIdentityColumns[0];

// A SELECT whose columns all arrive as text, with parameters of either kind.
class Lookup : public CRecordset {
public:
    Lookup(CDatabase& db, size_t columns, const std::vector<Value>& params)
        : CRecordset(&db), m_values(columns), m_params(params) {
        m_nFields = static_cast<unsigned>(columns);
        m_nParams = static_cast<unsigned>(params.size());
        for (const Value& p : m_params) m_longs.push_back(p.number);
        for (const Value& p : m_params) m_texts.emplace_back(p.text);
    }
    void DoFieldExchange(CFieldExchange* pFX) override {
        pFX->SetFieldType(CFieldExchange::outputColumn);
        for (CString& value : m_values) RFX_Text(pFX, "c", value, 255);
        pFX->SetFieldType(CFieldExchange::param);
        for (size_t i = 0; i < m_params.size(); ++i) {
            if (m_params[i].kind == Value::Long)
                RFX_Long(pFX, "p", m_longs[i]);
            else
                RFX_Text(pFX, "p", m_texts[i], 255);
        }
    }
    std::vector<CString> m_values;

private:
    std::vector<Value> m_params;
    std::vector<LONG> m_longs;
    std::vector<CString> m_texts;
};

std::string Insert(const std::string& table, const std::vector<const char*>& columns) {
    std::string sql = "INSERT INTO [dbo].[" + table + "] (";
    std::string marks;
    for (size_t i = 0; i < columns.size(); ++i) {
        sql += std::string(i ? "," : "") + "[" + columns[i] + "]";
        marks += i ? ",?" : "?";
    }
    return sql + ") VALUES (" + marks + ")";
}

void Bind(CStatement& statement, int param, const Value& value, ColumnType type) {
    switch (value.kind) {
        case Value::Long:
            statement.BindLong(param, value.number);
            break;
        case Value::Double:
            statement.BindDouble(param, value.real);
            break;
        case Value::Text:
            statement.BindText(param, value.text);
            break;
        case Value::Null:
            statement.BindNull(param, type == ColumnType::Long     ? SQL_INTEGER
                                      : type == ColumnType::Double ? SQL_DOUBLE
                                                                   : SQL_VARCHAR);
            break;
    }
}

// An identity value as the column keeps it.
std::string IdentityText(const std::string& value) {
    return value.substr(0, Utf8Prefix(value, 255));
}

// An empty identity value is stored as NULL: it matches nothing.
void BindIdentityText(CStatement& statement, int param, const std::string& value) {
    if (value.empty())
        statement.BindNull(param);
    else
        statement.BindText(param, IdentityText(value));
}

}  // namespace

struct InventoryWriter::Stored {
    int32_t id = 0;
    std::string values[kIdentityCount];  // as kIdentityColumns
    const std::string& Get(const char* column) const {
        for (size_t i = 0; i < kIdentityCount; ++i)
            if (std::string(kIdentityColumns[i]) == column) return values[i];
        return values[0];
    }
};

InventoryWriter::InventoryWriter(CDatabase& db, AfterWriteHook afterWrite)
    : m_db(db), m_afterWrite(std::move(afterWrite)) {
    // SQLite keeps what a save point may have to undo in a temporary file,
    // written page by page; in memory it costs no system call. That is all
    // this session keeps there: the import creates no temporary table.
    if (db.GetDialect() == DbDialect::SQLite) db.ExecuteSQL("PRAGMA temp_store = MEMORY");
}

InventoryWriter::~InventoryWriter() {
    RollbackBatch();
}

void InventoryWriter::BeginBatch() {
    if (!m_transaction) m_transaction = std::make_unique<CTransaction>(m_db);
}

std::string InventoryWriter::WriteGuarded(const std::function<void()>& work) {
    BeginBatch();
    m_transaction->SetSavepoint(kGuardedSavepoint);
    try {
        work();
        m_transaction->ReleaseSavepoint(kGuardedSavepoint);
        return "";
    } catch (const std::exception& e) {
        m_transaction->RollbackToSavepoint(kGuardedSavepoint);
        m_transaction->ReleaseSavepoint(kGuardedSavepoint);
        return e.what();
    }
}

void InventoryWriter::CommitBatch() {
    if (!m_transaction) return;
    try {
        m_transaction->Commit();
    } catch (...) {
        RollbackBatch();
        throw;
    }
    m_transaction.reset();
}

void InventoryWriter::RollbackBatch() noexcept {
    if (!m_transaction) return;
    try {
        if (m_transaction->IsActive()) m_transaction->Rollback();
    } catch (...) {
        // The destructor below rolls back as far as the connection still can.
    }
    m_transaction.reset();
    ForgetCaches();
}

void InventoryWriter::ForgetCaches() {
    // Ids read or created in a transaction that was undone may be gone.
    m_deviceIds.clear();
    m_propertyIds.clear();
    m_legacyMaxId = -1;
}

CStatement& InventoryWriter::Prepared(const std::string& sql) {
    std::unique_ptr<CStatement>& statement = m_statements[sql];
    if (!statement) statement = std::make_unique<CStatement>(m_db, sql.c_str());
    return *statement;
}

LONG InventoryWriter::QueryLong(const std::string& sql, const std::vector<std::string>& params) {
    std::vector<Value> values;
    for (const std::string& p : params) values.emplace_back(p);
    Lookup lookup(m_db, 1, values);
    lookup.Open(CRecordset::forwardOnly, sql.c_str());
    return lookup.IsEOF() ? 0 : atol(lookup.m_values[0]);
}

bool InventoryWriter::Find(const char* where, const std::vector<std::string>& params,
                           Stored& found) {
    std::string sql = "SELECT [ID]";
    for (const char* column : kIdentityColumns) sql += std::string(",[") + column + "]";
    sql += std::string(" FROM [dbo].[PCIdentity] WHERE ") + where + " ORDER BY [ID]";
    std::vector<Value> values;
    for (const std::string& p : params) values.emplace_back(p);
    Lookup lookup(m_db, 1 + kIdentityCount, values);
    lookup.Open(CRecordset::forwardOnly, sql.c_str());
    if (lookup.IsEOF()) return false;
    found.id = static_cast<int32_t>(atol(lookup.m_values[0]));
    for (size_t i = 0; i < kIdentityCount; ++i) found.values[i] = lookup.m_values[i + 1].str();
    return true;
}

bool InventoryWriter::Match(const PcIdentity& identity, Stored& found) {
    if (!identity.deviceId.empty() && Find("[DeviceID] = ?", {identity.deviceId}, found))
        return true;
    if (!IsPlaceholderUuid(identity.uuid) && Find("[UUID] = ?", {identity.uuid}, found))
        return true;
    if (IsPlaceholderSerial(identity.serialNumber)) return false;
    if (identity.manufacturer.empty())
        return Find("[SerialNumber] = ? AND [Manufacturer] IS NULL", {identity.serialNumber},
                    found);
    return Find("[SerialNumber] = ? AND [Manufacturer] = ?",
                {identity.serialNumber, identity.manufacturer}, found);
}

std::vector<std::string> InventoryWriter::MatchKeys(const PcIdentity& identity) {
    // As Match looks a PC up, by the values WriteIdentity keeps.
    std::vector<std::string> keys;
    if (!identity.deviceId.empty()) keys.push_back("d" + IdentityText(identity.deviceId));
    if (!IsPlaceholderUuid(identity.uuid)) keys.push_back("u" + IdentityText(identity.uuid));
    if (!IsPlaceholderSerial(identity.serialNumber))
        keys.push_back("s" + IdentityText(identity.serialNumber) + '\0' +
                       IdentityText(identity.manufacturer));
    return keys;
}

int32_t InventoryWriter::NextPcId() {
    // PCs that came into the database before it knew identities (an older
    // fleet, hand-made rows) keep their IDs.
    if (m_legacyMaxId < 0) {
        m_legacyMaxId = 0;
        for (const char* table : {"SystemOverview", "BIOS", "AdditionalHardware"})
            m_legacyMaxId =
                std::max(m_legacyMaxId,
                         QueryLong(std::string("SELECT MAX([ID]) FROM [dbo].[") + table + "]"));
    }
    const LONG known = QueryLong("SELECT MAX([ID]) FROM [dbo].[PCIdentity]");
    const LONG highest = std::max(known, m_legacyMaxId);
    if (highest >= INT32_MAX)
        throw CDBException(SQL_ERROR, "No PC ID is left: the highest one is in use",
                           CString("State:22003,Native:0,Origin:[hwimport]"));
    return static_cast<int32_t>(highest + 1);
}

int32_t InventoryWriter::DeviceId(ImportDevice device) {
    const auto cached = m_deviceIds.find(device);
    if (cached != m_deviceIds.end()) return cached->second;
    const ImportDeviceInfo& info = DeviceOf(device);
    LONG id = QueryLong(
        "SELECT MIN([HardwareDeviceID]) FROM [dbo].[AdditionalHardwareDevice] WHERE [Name] = ?",
        {info.name});
    if (id == 0) {
        id = QueryLong("SELECT MAX([HardwareDeviceID]) FROM [dbo].[AdditionalHardwareDevice]") + 1;
        CStatement& insert = Prepared(
            Insert("AdditionalHardwareDevice",
                   {"HardwareDeviceID", "Name", "MultipleAllowed", "OwnBox", "DisplayOrder"}));
        insert.BindLong(1, id);
        insert.BindText(2, info.name);
        insert.BindLong(3, info.multipleAllowed);
        insert.BindLong(4, info.ownBox);
        insert.BindLong(5, info.displayOrder);
        insert.Execute();
    }
    m_deviceIds[device] = static_cast<int32_t>(id);
    return static_cast<int32_t>(id);
}

int32_t InventoryWriter::PropertyId(ImportDevice device, const std::string& name) {
    const int32_t deviceId = DeviceId(device);
    const auto key = std::make_pair(deviceId, name);
    const auto cached = m_propertyIds.find(key);
    if (cached != m_propertyIds.end()) return cached->second;
    std::vector<Value> params{Value(deviceId), Value(name)};
    Lookup lookup(m_db, 1, params);
    lookup.Open(CRecordset::forwardOnly,
                "SELECT MIN([HardwarePropertyID]) FROM [dbo].[AdditionalHardwareProperty] "
                "WHERE [HardwareDeviceID] = ? AND [Name] = ?");
    LONG id = lookup.IsEOF() ? 0 : atol(lookup.m_values[0]);
    lookup.Close();
    if (id == 0) {
        // The device's own properties in their order; an agent's extra
        // account fields after them.
        const std::vector<const char*>& fixed = DeviceOf(device).properties;
        LONG order = 0;
        for (size_t i = 0; i < fixed.size() && order == 0; ++i)
            if (name == fixed[i]) order = static_cast<LONG>(i + 1);
        if (order == 0) {
            std::vector<Value> deviceParam{Value(deviceId)};
            Lookup last(m_db, 1, deviceParam);
            last.Open(CRecordset::forwardOnly,
                      "SELECT MAX([DisplayOrder]) FROM [dbo].[AdditionalHardwareProperty] "
                      "WHERE [HardwareDeviceID] = ?");
            order = std::max<LONG>(static_cast<LONG>(fixed.size()),
                                   last.IsEOF() ? 0 : atol(last.m_values[0])) +
                    1;
        }
        id = QueryLong("SELECT MAX([HardwarePropertyID]) FROM [dbo].[AdditionalHardwareProperty]") +
             1;
        CStatement& insert =
            Prepared(Insert("AdditionalHardwareProperty", {"HardwarePropertyID", "HardwareDeviceID",
                                                           "Name", "DoubleWidth", "DisplayOrder"}));
        insert.BindLong(1, id);
        insert.BindLong(2, deviceId);
        insert.BindText(3, name);
        insert.BindLong(4, 0);
        insert.BindLong(5, order);
        insert.Execute();
    }
    m_propertyIds[key] = static_cast<int32_t>(id);
    return static_cast<int32_t>(id);
}

void InventoryWriter::DeleteRows(int32_t pcId) {
    for (size_t t = 0; t < kHwTableCount; ++t) {
        CStatement& remove = Prepared(std::string("DELETE FROM [dbo].[") +
                                      TableOf(static_cast<HwTable>(t)).name + "] WHERE [ID] = ?");
        remove.BindLong(1, pcId);
        remove.Execute();
    }
    // Only the import's own devices: values people entered by hand stay.
    for (size_t d = 0; d < kImportDeviceCount; ++d) {
        CStatement& remove = Prepared(
            "DELETE FROM [dbo].[AdditionalHardware] WHERE [ID] = ? AND [HardwareDeviceID] = ?");
        remove.BindLong(1, pcId);
        remove.BindLong(2, DeviceId(static_cast<ImportDevice>(d)));
        remove.Execute();
    }
}

void InventoryWriter::InsertMany(const char* table, const std::vector<const char*>& columns,
                                 const std::vector<ColumnType>& types,
                                 const std::vector<Row>& rows) {
    // Rows go in chunks of 32, 16, ... 1 rows per statement: a round trip and
    // a statement compilation per chunk instead of per row, and at most six
    // statements to keep prepared per table.
    size_t done = 0;
    for (size_t chunk = 32; chunk > 0; chunk /= 2) {
        while (rows.size() - done >= chunk) {
            std::string sql = Insert(table, columns);
            const std::string marks = sql.substr(sql.rfind('('));
            for (size_t r = 1; r < chunk; ++r) sql += "," + marks;
            CStatement& insert = Prepared(sql);
            int param = 1;
            for (size_t r = done; r < done + chunk; ++r)
                for (size_t c = 0; c < columns.size(); ++c)
                    Bind(insert, param++, rows[r][c], types[c]);
            insert.Execute();
            done += chunk;
        }
    }
}

void InventoryWriter::InsertRows(int32_t pcId, const Inventory& inventory) {
    for (size_t t = 0; t < kHwTableCount; ++t) {
        const std::vector<Row>& rows = inventory.Rows(static_cast<HwTable>(t));
        if (rows.empty()) continue;
        const TableInfo& info = TableOf(static_cast<HwTable>(t));
        std::vector<const char*> columns{"ID"};
        std::vector<ColumnType> types{ColumnType::Long};
        for (const ColumnInfo& column : info.columns) {
            columns.push_back(column.name);
            types.push_back(column.type);
        }
        std::vector<Row> full;
        full.reserve(rows.size());
        for (const Row& row : rows) {
            full.push_back({pcId});
            full.back().insert(full.back().end(), row.begin(), row.end());
        }
        InsertMany(info.name, columns, types, full);
    }
    std::vector<Row> values;
    for (const AdditionalValue& value : inventory.Additional())
        values.push_back({pcId, DeviceId(value.device), PropertyId(value.device, value.property),
                          value.instance, value.value});
    const ColumnType L = ColumnType::Long;
    InsertMany("AdditionalHardware",
               {"ID", "HardwareDeviceID", "HardwarePropertyID", "IndexID", "DataValue"},
               {L, L, L, L, ColumnType::Text}, values);
}

void InventoryWriter::WriteIdentity(int32_t pcId, const PcIdentity& identity,
                                    const std::string& digest, const Stored* stored) {
    const std::string values[kIdentityCount] = {
        identity.deviceId,      identity.uuid,         identity.hostName,
        identity.serialNumber,  identity.manufacturer, identity.assetTag,
        identity.inventoryTime, identity.agent,        digest};
    if (stored) {
        bool same = true;
        for (size_t i = 0; i < kIdentityCount; ++i)
            same = same && stored->values[i] == IdentityText(values[i]);
        if (same) return;
        std::string sql = "UPDATE [dbo].[PCIdentity] SET ";
        for (size_t i = 0; i < kIdentityCount; ++i)
            sql += std::string(i ? "," : "") + "[" + kIdentityColumns[i] + "] = ?";
        CStatement& update = Prepared(sql + " WHERE [ID] = ?");
        for (size_t i = 0; i < kIdentityCount; ++i)
            BindIdentityText(update, static_cast<int>(i + 1), values[i]);
        update.BindLong(static_cast<int>(kIdentityCount + 1), pcId);
        update.Execute();
        return;
    }
    std::vector<const char*> columns{"ID"};
    columns.insert(columns.end(), std::begin(kIdentityColumns), std::end(kIdentityColumns));
    CStatement& insert = Prepared(Insert("PCIdentity", columns));
    insert.BindLong(1, pcId);
    for (size_t i = 0; i < kIdentityCount; ++i)
        BindIdentityText(insert, static_cast<int>(i + 2), values[i]);
    insert.Execute();
}

ImportResult InventoryWriter::Write(const Inventory& inventory) {
    ImportResult result;
    result.hostName = inventory.identity.hostName;
    result.warnings = inventory.warnings;
    BeginBatch();
    m_transaction->SetSavepoint(kSavepoint);
    try {
        Stored stored;
        const bool matched = Match(inventory.identity, stored);
        const std::string& storedTime = stored.Get("InventoryTime");
        if (matched && inventory.identity.inventoryTime < storedTime) {
            m_transaction->ReleaseSavepoint(kSavepoint);
            result.status = ImportStatus::SkippedOlder;
            result.pcId = stored.id;
            result.message = "the inventory of " + inventory.identity.inventoryTime +
                             " is older than the one stored for PC " + std::to_string(stored.id) +
                             " (" + storedTime + ")";
            return result;
        }
        const std::string digest = inventory.ContentDigest();
        const bool changed = !matched || stored.Get("ContentDigest") != digest;
        const int32_t pcId = matched ? stored.id : NextPcId();
        if (changed) {
            if (matched) DeleteRows(pcId);
            InsertRows(pcId, inventory);
        }
        WriteIdentity(pcId, inventory.identity, digest, matched ? &stored : nullptr);
        RefreshFleetIndex(m_db, pcId, pcId);  // the fleet list shows the new rows at once
        if (m_afterWrite) m_afterWrite(m_db, pcId, changed);
        m_transaction->ReleaseSavepoint(kSavepoint);
        result.pcId = pcId;
        result.status = !matched  ? ImportStatus::New
                        : changed ? ImportStatus::Updated
                                  : ImportStatus::Unchanged;
        return result;
    } catch (const std::exception& e) {
        // Undo this inventory only; a connection that cannot even do that
        // has lost the batch, and the exception says so to the caller.
        m_transaction->RollbackToSavepoint(kSavepoint);
        m_transaction->ReleaseSavepoint(kSavepoint);
        ForgetCaches();
        result.status = ImportStatus::Failed;
        result.message = std::string("the database refused it, nothing was written: ") + e.what();
        return result;
    }
}

}  // namespace hwimport
