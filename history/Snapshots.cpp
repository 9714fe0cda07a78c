#include "history/Snapshots.h"

#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "HardwareList.h"
#include "history/ReportDiff.h"
#include "platform/Statement.h"
#include "platform/Transaction.h"
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

// zlib's fastest level, one stream reused: its buffers (about a quarter of
// a megabyte) are allocated once, not for every document.
class Compressor {
public:
    Compressor() {
        if (deflateInit(&m_z, Z_BEST_SPEED) != Z_OK)
            throw std::runtime_error("cannot compress a report document");
    }
    ~Compressor() { deflateEnd(&m_z); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    std::string Compress(const std::string& text) {
        deflateReset(&m_z);
        std::string out(deflateBound(&m_z, text.size()), '\0');
        m_z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
        m_z.avail_in = static_cast<uInt>(text.size());
        m_z.next_out = reinterpret_cast<Bytef*>(&out[0]);
        m_z.avail_out = static_cast<uInt>(out.size());
        if (deflate(&m_z, Z_FINISH) != Z_STREAM_END)
            throw std::runtime_error("cannot compress a report document");
        out.resize(m_z.total_out);
        return out;
    }

private:
    z_stream m_z = {};
};

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

const char kNewestSql[] =
    "SELECT [SnapshotID], [Digest] FROM [dbo].[PCSnapshot] WHERE [ID] = ? AND "
    "[SnapshotID] = (SELECT MAX([SnapshotID]) FROM [dbo].[PCSnapshot] WHERE [ID] = ?)";

// The PC's newest snapshot: its number (0 for none) and digest.
LONG Newest(std::unique_ptr<CStatement>& newest, CDatabase& db, int32_t pcId,
            std::string& digest) {
    if (!newest) newest = std::make_unique<CStatement>(db, kNewestSql);
    newest->BindLong(1, pcId);
    newest->BindLong(2, pcId);
    newest->ExecuteQuery();
    LONG id = 0;
    digest.clear();
    if (newest->Fetch()) {
        std::string text;
        newest->GetString(1, text);
        id = atol(text.c_str());
        newest->GetString(2, digest);
        newest->Fetch();
    }
    return id;
}

// A PC's snapshot as it is built, ready to store.
struct Built {
    int32_t pcId = 0;
    bool keep = false;  // its digest differs from the newest snapshot's
    std::string inventoryTime, digest, compressed;
    std::string error;  // why it could not be built
};

// Builds snapshots from the PCs' rows, on the connection it is given.
class Builder {
public:
    explicit Builder(CDataConnection& connection) : m_connection(connection) {}

    Built Build(int32_t pcId, bool changed) {
        Built built;
        built.pcId = pcId;
        CDatabase& db = m_connection.m_database;
        std::string lastDigest;
        const LONG lastId = Newest(m_newest, db, pcId, lastDigest);
        // The import found the PC's rows as they were: so is its document.
        if (!changed && lastId > 0) return built;
        const std::string document = BuildSnapshotDocument(m_connection, pcId);
        built.digest = ReportDigest(document);
        if (built.digest == lastDigest) return built;
        if (!m_time)
            m_time = std::make_unique<CStatement>(
                db, "SELECT [InventoryTime] FROM [dbo].[PCIdentity] WHERE [ID] = ?");
        m_time->BindLong(1, pcId);
        m_time->ExecuteQuery();
        if (m_time->Fetch()) {
            m_time->GetString(1, built.inventoryTime);
            m_time->Fetch();
        }
        built.compressed = m_compressor.Compress(document);
        built.keep = true;
        return built;
    }

private:
    CDataConnection& m_connection;
    std::unique_ptr<CStatement> m_newest, m_time;
    Compressor m_compressor;
};

// Stores built snapshots on the importing connection and prunes to `keep`.
class Keeper {
public:
    explicit Keeper(int keep) : m_keep(keep < 1 ? 1 : keep) {}

    void Store(CDatabase& db, const Built& built) {
        if (!built.keep) return;
        // Read again where it is written: the newest may have moved since
        // the document was built.
        std::string lastDigest;
        const LONG id = Newest(m_newest, db, built.pcId, lastDigest) + 1;
        if (built.digest == lastDigest) return;
        if (!m_insert) {
            m_insert = std::make_unique<CStatement>(
                db,
                "INSERT INTO [dbo].[PCSnapshot] ([ID], [SnapshotID], [InventoryTime], [Digest], "
                "[Document]) VALUES (?, ?, ?, ?, ?)");
            m_prune = std::make_unique<CStatement>(
                db, "DELETE FROM [dbo].[PCSnapshot] WHERE [ID] = ? AND [SnapshotID] <= ?");
        }
        m_insert->BindLong(1, built.pcId);
        m_insert->BindLong(2, id);
        if (built.inventoryTime.empty())
            m_insert->BindNull(3);
        else
            m_insert->BindText(3, built.inventoryTime);
        m_insert->BindText(4, built.digest);
        m_insert->BindBinary(5, built.compressed);
        m_insert->Execute();
        if (id > m_keep) {
            m_prune->BindLong(1, built.pcId);
            m_prune->BindLong(2, id - m_keep);
            m_prune->Execute();
        }
    }

private:
    const int m_keep;
    std::unique_ptr<CStatement> m_newest, m_insert, m_prune;
};

// Both on one connection, inside the PC's save point.
struct HookState {
    HookState(CDataConnection& connection, int keep) : builder(connection), keeper(keep) {}
    void Run(CDatabase& db, int32_t pcId, bool changed) {
        keeper.Store(db, builder.Build(pcId, changed));
    }
    Builder builder;
    Keeper keeper;
};

// The builder on a thread and connection of its own, one batch at a time.
class Pipeline final : public hwimport::BatchFollower {
public:
    Pipeline(CDataConnection& importing, const std::string& connect, HistoryOptions options)
        : m_keeper(options.keep) {
        m_connection.Open(connect.c_str());
        // Every read through one attachment, so the batch's first read takes
        // the one lock that the builder then holds to the batch's end.
        ReadThroughDbo(m_connection.m_database, false);
        // SQLite (a rollback journal): a writer whose page cache fills up
        // writes the file before its commit, and must wait for the builder's
        // read to end first. A cache that holds a whole batch keeps it going.
        if (importing.m_database.GetDialect() == DbDialect::SQLite)
            importing.m_database.ExecuteSQL("PRAGMA dbo.cache_size = -32768");
        m_thread = std::thread([this] { Work(); });
    }
    ~Pipeline() override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    void Follow(std::vector<hwimport::WrittenPc> written) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_batch = std::move(written);
        m_built.clear();
        m_working = true;
        m_reading = false;
        m_changed.notify_all();
        // The writer goes on once the builder reads: SQLite's writer may
        // then have to wait for the read to end, never the reader for it.
        m_changed.wait(lock, [this] { return m_reading || !m_working; });
    }

    std::vector<std::string> Store(CDatabase& db) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_working; });
        std::vector<std::string> warnings(m_built.size());
        for (size_t i = 0; i < m_built.size(); ++i) {
            if (m_built[i].error.empty())
                m_keeper.Store(db, m_built[i]);
            else
                warnings[i] = Lost(m_built[i].error);
        }
        return warnings;
    }

    std::string Lost(const std::string& reason) override {
        return "its history snapshot was not kept: " + reason;
    }

private:
    void Work() {
        // Every inventory waits for the writer, while a batch's documents
        // have until the next commit: the builder takes the time that the
        // writer and the parsers leave (on two cores with two parsing
        // threads, at its default priority it took the writer's).
        const id_t self = static_cast<id_t>(gettid());
        setpriority(PRIO_PROCESS, self, getpriority(PRIO_PROCESS, self) + 10);
        Builder builder(m_connection);
        for (;;) {
            std::vector<hwimport::WrittenPc> batch;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] { return m_stop || m_working; });
                if (m_stop) return;
                batch.swap(m_batch);
            }
            std::vector<Built> built = BuildBatch(builder, batch);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_built = std::move(built);
                m_working = false;
            }
            m_changed.notify_all();
        }
    }

    // In one read transaction, as short as the batch allows: SQLite's
    // writer commits only once it has ended. A document that fails costs
    // only its own snapshot.
    std::vector<Built> BuildBatch(Builder& builder, const std::vector<hwimport::WrittenPc>& batch) {
        std::vector<Built> built;
        std::unique_ptr<CTransaction> read;
        for (const hwimport::WrittenPc& pc : batch) {
            try {
                if (!read) read = std::make_unique<CTransaction>(m_connection.m_database);
                built.push_back(builder.Build(pc.pcId, pc.changed));
            } catch (const std::exception& e) {
                // PostgreSQL ends a transaction at its first error; SQLite's
                // goes on, and a new one could wait for the writer's lock.
                if (m_connection.m_database.GetDialect() != DbDialect::SQLite) read.reset();
                Built failed;
                failed.pcId = pc.pcId;
                failed.error = e.what();
                built.push_back(std::move(failed));
            }
            if (built.size() == 1) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_reading = true;
                m_changed.notify_all();
            }
        }
        if (read) {
            try {
                read->Commit();
            } catch (const std::exception&) {
                // Nothing was written: the documents stand.
            }
        }
        return built;
    }

    CDataConnection m_connection;  // the builder's
    Keeper m_keeper;               // the writer's
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<hwimport::WrittenPc> m_batch;
    std::vector<Built> m_built;
    bool m_working = false;  // a batch is being built
    bool m_reading = false;  // its read has begun
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace

std::string BuildSnapshotDocument(CDataConnection& connection, int32_t pcId) {
    ReportGenerator generator{CString("")};
    DisplayRequest request;
    request.Connection = &connection;
    request.PCID = pcId;
    CString built;
    generator.BuildDocument(&request, built);
    std::string text = std::move(built.str());
    if (ValidUtf8Prefix(text) != text.size()) text = ToValidUtf8(text);
    // The prologue's first line declares the UTF-16 the suite's XML services
    // were handed; these bytes are UTF-8.
    const size_t firstLine = text.find('\n');
    text.replace(0, firstLine == std::string::npos ? 0 : firstLine,
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

hwimport::AfterWriteHook SnapshotHook(CDataConnection& connection, HistoryOptions options) {
    ReadThroughDbo(connection.m_database, false);
    auto state = std::make_shared<HookState>(connection, options.keep);
    return [state](CDatabase& db, int32_t pcId, bool changed) { state->Run(db, pcId, changed); };
}

std::unique_ptr<hwimport::BatchFollower> SnapshotPipeline(CDataConnection& importing,
                                                          const std::string& connect,
                                                          HistoryOptions options) {
    return std::make_unique<Pipeline>(importing, connect, options);
}

void KeepSnapshot(CDataConnection& connection, int32_t pcId, bool changed,
                  HistoryOptions options) {
    ReadThroughDbo(connection.m_database, true);
    HookState(connection, options.keep).Run(connection.m_database, pcId, changed);
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
