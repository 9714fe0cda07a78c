#include "history/Snapshots.h"

#include <zlib.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "HardwareList.h"
#include "history/ReportDiff.h"
#include "platform/Statement.h"
#include "report/ReportGenerator.h"
#include "text/XmlText.h"

namespace hwhistory {

namespace {

// A stored document never exceeds this once inflated (the largest report
// the component writes is a few hundred KB).
constexpr size_t kMaxDocumentBytes = 64u << 20;

// SQLite: the session attaches its own file a second time as "dbo", and the
// component names the user-defined device tables without an owner, so a
// report inside the import's transaction would read them through the other
// attachment and hold a lock on it that the commit then waits for forever.
// Views in the connection's temporary schema, which names resolve first,
// send those reads to "dbo". temp_store is set first and as the import sets
// it: changing it later would drop the views.
void ReadThroughDbo(CDatabase& db, bool inTransaction) {
    if (db.GetDialect() != DbDialect::SQLite) return;
    // Inside a transaction the import has set it already (and it may not
    // change there).
    if (!inTransaction) db.ExecuteSQL("PRAGMA temp_store = MEMORY");
    for (const char* table :
         {"AdditionalHardware", "AdditionalHardwareDevice", "AdditionalHardwareProperty"})
        db.ExecuteSQL((std::string("CREATE TEMP VIEW IF NOT EXISTS ") + table +
                       " AS SELECT * FROM dbo." + table)
                          .c_str());
}

std::string Compress(const std::string& text) {
    uLongf size = compressBound(text.size());
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&out[0]), &size,
                  reinterpret_cast<const Bytef*>(text.data()), text.size(), Z_BEST_SPEED) != Z_OK)
        throw std::runtime_error("cannot compress a report document");
    out.resize(size);
    return out;
}

std::string Inflate(const std::string& bytes) {
    z_stream z = {};
    if (inflateInit(&z) != Z_OK) throw std::runtime_error("cannot inflate a snapshot");
    std::string out;
    char buffer[1 << 15];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    int rc = Z_OK;
    while (rc == Z_OK && out.size() <= kMaxDocumentBytes) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("a stored snapshot does not inflate");
    return out;
}

// The statements of one importing connection, prepared at first use.
struct HookState {
    CDataConnection* connection = nullptr;
    int keep = kDefaultKeep;
    std::unique_ptr<CStatement> newest, time, insert, prune;

    void Prepare(CDatabase& db) {
        if (newest) return;
        newest = std::make_unique<CStatement>(
            db,
            "SELECT [SnapshotID], [Digest] FROM [dbo].[PCSnapshot] WHERE [ID] = ? AND "
            "[SnapshotID] = (SELECT MAX([SnapshotID]) FROM [dbo].[PCSnapshot] WHERE [ID] = ?)");
        time = std::make_unique<CStatement>(
            db, "SELECT [InventoryTime] FROM [dbo].[PCIdentity] WHERE [ID] = ?");
        insert = std::make_unique<CStatement>(
            db,
            "INSERT INTO [dbo].[PCSnapshot] ([ID], [SnapshotID], [InventoryTime], [Digest], "
            "[Document]) VALUES (?, ?, ?, ?, ?)");
        prune = std::make_unique<CStatement>(
            db, "DELETE FROM [dbo].[PCSnapshot] WHERE [ID] = ? AND [SnapshotID] <= ?");
    }

    void Run(CDatabase& db, int32_t pcId, bool changed) {
        Prepare(db);
        newest->BindLong(1, pcId);
        newest->BindLong(2, pcId);
        newest->ExecuteQuery();
        LONG lastId = 0;
        std::string lastDigest, text;
        if (newest->Fetch()) {
            newest->GetString(1, text);
            lastId = atol(text.c_str());
            newest->GetString(2, lastDigest);
            newest->Fetch();
        }
        // The import found the PC's rows as they were: so is its document.
        if (!changed && lastId > 0) return;

        const std::string document = BuildSnapshotDocument(*connection, pcId);
        const std::string digest = ReportDigest(document);
        if (digest == lastDigest) return;

        std::string inventoryTime;
        time->BindLong(1, pcId);
        time->ExecuteQuery();
        if (time->Fetch()) {
            time->GetString(1, inventoryTime);
            time->Fetch();
        }
        const LONG id = lastId + 1;
        insert->BindLong(1, pcId);
        insert->BindLong(2, id);
        if (inventoryTime.empty())
            insert->BindNull(3);
        else
            insert->BindText(3, inventoryTime);
        insert->BindText(4, digest);
        insert->BindBinary(5, Compress(document));
        insert->Execute();
        if (id > keep) {
            prune->BindLong(1, pcId);
            prune->BindLong(2, id - keep);
            prune->Execute();
        }
    }
};

}  // namespace

std::string BuildSnapshotDocument(CDataConnection& connection, int32_t pcId) {
    ReportGenerator generator{CString("")};
    DisplayRequest request;
    request.Connection = &connection;
    request.PCID = pcId;
    CString built;
    generator.BuildDocument(&request, built);
    std::string text = built.str();
    if (ValidUtf8Prefix(text) != text.size()) text = ToValidUtf8(text);
    // The prologue's first line declares the UTF-16 the suite's XML services
    // were handed; these bytes are UTF-8.
    const size_t firstLine = text.find('\n');
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    out.reserve(text.size());
    for (size_t i = firstLine == std::string::npos ? 0 : firstLine; i < text.size(); ++i)
        if (text[i] != '\r') out += text[i];
    return out;
}

hwimport::AfterWriteHook SnapshotHook(CDataConnection& connection, HistoryOptions options) {
    ReadThroughDbo(connection.m_database, false);
    auto state = std::make_shared<HookState>();
    state->connection = &connection;
    state->keep = options.keep < 1 ? 1 : options.keep;
    return [state](CDatabase& db, int32_t pcId, bool changed) { state->Run(db, pcId, changed); };
}

void KeepSnapshot(CDataConnection& connection, int32_t pcId, bool changed,
                  HistoryOptions options) {
    ReadThroughDbo(connection.m_database, true);
    HookState state;
    state.connection = &connection;
    state.keep = options.keep < 1 ? 1 : options.keep;
    state.Run(connection.m_database, pcId, changed);
}

std::vector<Snapshot> ReadSnapshots(CDatabase& db, int32_t pcId) {
    CStatement select(db,
                      "SELECT [SnapshotID], [InventoryTime], [Digest], [Document] FROM "
                      "[dbo].[PCSnapshot] WHERE [ID] = ? ORDER BY [SnapshotID]");
    select.BindLong(1, pcId);
    select.ExecuteQuery();
    std::vector<Snapshot> snapshots;
    std::string text, bytes;
    while (select.Fetch()) {
        Snapshot s;
        s.pcId = pcId;
        select.GetString(1, text);
        s.snapshotId = static_cast<int32_t>(atol(text.c_str()));
        select.GetString(2, s.inventoryTime);
        select.GetString(3, s.digest);
        select.GetString(4, bytes, true);
        s.document = Inflate(bytes);
        snapshots.push_back(std::move(s));
    }
    return snapshots;
}

std::vector<int32_t> PcsWithSnapshots(CDatabase& db, const std::string& since) {
    CStatement select(db, since.empty()
                              ? "SELECT DISTINCT [ID] FROM [dbo].[PCSnapshot] ORDER BY [ID]"
                              : "SELECT DISTINCT [ID] FROM [dbo].[PCSnapshot] WHERE "
                                "[InventoryTime] >= ? ORDER BY [ID]");
    if (!since.empty()) select.BindText(1, since);
    select.ExecuteQuery();
    std::vector<int32_t> ids;
    std::string text;
    while (select.Fetch()) {
        select.GetString(1, text);
        ids.push_back(static_cast<int32_t>(atol(text.c_str())));
    }
    return ids;
}

}  // namespace hwhistory
