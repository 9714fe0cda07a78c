// init-db: creates the hardware tables and loads a sample fleet, in one
// transaction through prepared inserts.
//
// A SQLite file is built beside its final name and renamed into place once
// complete, so a failed or interrupted load leaves what was there before. On
// a server the schema, the optional drop of old tables and every row are one
// transaction: a failure rolls all of it back.
#include "host/InitDb.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fleet/FleetGenerator.h"
#include "host/Connection.h"
#include "host/FleetIndex.h"
#include "host/SqlScript.h"
#include "platform/Database.h"
#include "platform/Statement.h"
#include "platform/Transaction.h"

namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
    g_interrupted = 1;
}

// Ctrl-C during the load ends it cleanly (rollback, temporary file removed)
// instead of killing the process mid-write.
class InterruptGuard {
public:
    InterruptGuard() {
        g_interrupted = 0;
        struct sigaction action = {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~InterruptGuard() {
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
    }

private:
    struct sigaction m_oldInt = {};
    struct sigaction m_oldTerm = {};
};

// The schema file's base name for a connection: sqlite, postgresql,
// sqlserver, or the DBMS name in lower case letters and digits.
std::string DialectName(const CDatabase& db) {
    switch (db.GetDialect()) {
        case DbDialect::SQLite:
            return "sqlite";
        case DbDialect::PostgreSQL:
            return "postgresql";
        case DbDialect::SQLServer:
            return "sqlserver";
        case DbDialect::Generic:
            break;
    }
    std::string name;
    for (char c : db.GetDBMSName().str())
        if (isalnum(static_cast<unsigned char>(c)))
            name += static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return name.empty() ? "unknown" : name;
}

// The statements of a schema file; a file without any is refused.
std::vector<std::string> ReadSchema(const std::string& path) {
    std::vector<std::string> statements;
    if (!ReadSqlScript(path, statements))
        throw InitDbError{"schema file not found or not readable: " + path};
    if (statements.empty()) throw InitDbError{"schema file holds no statement: " + path};
    return statements;
}

// Draws the progress bar on stderr when it is a terminal; silent otherwise.
class ProgressBar {
public:
    explicit ProgressBar(long long total) : m_total(total), m_enabled(isatty(2) && total > 0) {}
    ~ProgressBar() { Finish(); }
    void Update(long long done) {
        if (!m_enabled) return;
        const int permille = static_cast<int>(done * 1000 / m_total);
        if (permille == m_permille) return;
        // Ten redraws a second are enough for the eye; the last one always comes.
        const auto now = std::chrono::steady_clock::now();
        if (done < m_total && m_drawn && now - m_lastDraw < std::chrono::milliseconds(100)) return;
        m_lastDraw = now;
        m_permille = permille;
        const int width = 40, filled = permille * width / 1000;
        fprintf(stderr, "\rinit-db [%s%s] %5.1f%%  %lld/%lld PCs",
                std::string(static_cast<size_t>(filled), '#').c_str(),
                std::string(static_cast<size_t>(width - filled), '-').c_str(), permille / 10.0,
                done, m_total);
        fflush(stderr);
        m_drawn = true;
    }
    void Finish() {
        if (m_drawn) fputs("\r\033[K", stderr);
        m_drawn = false;
    }

private:
    long long m_total;
    bool m_enabled;
    bool m_drawn = false;
    int m_permille = -1;
    std::chrono::steady_clock::time_point m_lastDraw;
};

// Writes the generated rows through prepared multi-row INSERTs: drivers
// that compile a statement anew on every execute (the SQLite one does) pay
// that once per batch instead of once per row. Each table's rows keep their
// order. Call Finish() to write the last, partial batches.
class FleetLoader : public FleetSink {
public:
    FleetLoader(CDatabase& db, const std::string& owner) : m_db(db), m_owner(owner) {
        for (const FleetTableInfo& info : FleetTables()) {
            Table table;
            // Within every server's parameter limit (SQL Server's is 2100).
            table.batch = std::max<size_t>(1, std::min<size_t>(100, 2000 / info.columns.size()));
            table.pending.resize(table.batch * info.columns.size());
            table.full = Prepare(info, table.batch);
            m_tables.push_back(std::move(table));
        }
    }

    void AddRow(FleetTable id, const FleetValue* values, size_t count) override {
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

    void Finish() {
        for (size_t id = 0; id < m_tables.size(); ++id) {
            Table& table = m_tables[id];
            if (table.rows == 0) continue;
            std::unique_ptr<CStatement> rest = Prepare(FleetTables()[id], table.rows);
            Flush(static_cast<FleetTable>(id), *rest);
        }
    }

    long long Rows() const { return m_rows; }

private:
    struct Table {
        size_t batch = 1;
        size_t rows = 0;  // waiting in `pending`
        std::vector<FleetValue> pending;
        std::unique_ptr<CStatement> full;  // INSERT of `batch` rows
    };

    std::unique_ptr<CStatement> Prepare(const FleetTableInfo& info, size_t rows) {
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

    void Flush(FleetTable id, CStatement& statement) {
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

    CDatabase& m_db;
    std::string m_owner;
    std::vector<Table> m_tables;  // indexed by FleetTable
    long long m_rows = 0;
};

// Schema and fleet, in one transaction on `db`. `owner` qualifies the table
// names ("" for SQLite, whose file is the main database here; "[dbo]." on
// servers). `replace` drops the old tables first.
long long Load(CDatabase& db, const std::vector<std::string>& schema, const std::string& owner,
               bool replace, const InitDbOptions& options) {
    InterruptGuard interrupts;
    CTransaction transaction(db);
    if (replace) {
        for (const FleetTableInfo& table : FleetTables())
            db.ExecuteSQL(("DROP TABLE IF EXISTS " + owner + "[" + table.name + "]").c_str());
        for (const char* table : {"PCIdentity", "PCListing", "PCSearch"})
            db.ExecuteSQL(("DROP TABLE IF EXISTS " + owner + "[" + table + "]").c_str());
    }
    for (const std::string& statement : schema) db.ExecuteSQL(statement.c_str());

    if (!options.fleet) {
        transaction.Commit();
        return 0;
    }
    FleetLoader loader(db, owner);
    FleetGenerator generator(options.seed);
    ProgressBar progress(options.pcs);
    generator.WriteDeviceTypes(loader);
    for (long long pc = 1; pc <= options.pcs; ++pc) {
        if (g_interrupted) throw InitDbInterrupted{};
        generator.WritePc(static_cast<int32_t>(pc), loader);
        progress.Update(pc);
    }
    loader.Finish();
    progress.Finish();
    // Each PC's identity as an import would know it, from its own rows. The
    // fleet has no agents: no device id, UUID or inventory time.
    db.ExecuteSQL(("INSERT INTO " + owner +
                   "[PCIdentity] ([ID], [HostName], [SerialNumber], [Manufacturer], [AssetTag], "
                   "[Agent]) SELECT s.[ID], NULLIF(s.[Name], ''), NULLIF(b.[SerialNumber], ''), "
                   "NULLIF(b.[SystemMan], ''), NULLIF(b.[AssetTag], ''), 'sample fleet' FROM " +
                   owner + "[SystemOverview] s LEFT JOIN " + owner +
                   "[BIOS] b ON b.[ID] = s.[ID] AND b.[BIOSID] = 0")
                      .c_str());
    // A slice at a time, so that memory does not grow with the fleet.
    constexpr long long kIndexSlice = 10000;
    for (long long first = 1; first <= options.pcs; first += kIndexSlice)
        RefreshFleetIndex(db, static_cast<int32_t>(first),
                          static_cast<int32_t>(std::min(options.pcs, first + kIndexSlice - 1)),
                          owner);
    transaction.Commit();
    return loader.Rows() + options.pcs;
}

// True when `owner`'s hardware tables already exist on the connection.
bool HasHardwareTables(CDatabase& db, const std::string& owner) {
    try {
        db.ExecuteSQL(("SELECT 1 FROM " + owner + "[SystemOverview] WHERE 1 = 0").c_str());
        return true;
    } catch (const CDBException&) {
        return false;
    }
}

// "<target>.init-<pid>-": the temporary files of init-db runs for `target`
// carry the process that made them.
std::string TemporaryPrefix(const std::string& target) {
    return target + ".init-";
}

// Removes what earlier runs for `target` left behind when they were killed
// outright (SIGKILL, a power cut): files of the temporary pattern whose
// process is gone, if they are this user's regular files.
void RemoveStaleTemporaries(const std::string& target) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string prefix =
        TemporaryPrefix(target.substr(slash == std::string::npos ? 0 : slash + 1));
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) return;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        char* end = nullptr;
        const long pid = strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || *end != '-' || kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        const std::string path = (slash == std::string::npos ? "" : folder) + name;
        struct stat info;
        if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid())
            unlink(path.c_str());
    }
}

// A SQLite file built under a temporary name beside the target.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) {
        RemoveStaleTemporaries(target);
        std::string pattern = TemporaryPrefix(target) + std::to_string(getpid()) + "-XXXXXX";
        const int fd = mkstemp(&pattern[0]);
        if (fd < 0)
            throw InitDbError{"cannot create a file beside " + target + ": " + strerror(errno)};
        // mkstemp makes the file private; a database is as readable as any
        // other new file.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        close(fd);
        m_path = pattern;
    }
    ~TemporaryFile() {
        if (!m_path.empty()) unlink(m_path.c_str());
    }
    const std::string& Path() const { return m_path; }
    // Flushes the file to disk and gives it its final name.
    void MoveTo(const std::string& target) {
        const int fd = open(m_path.c_str(), O_RDONLY);
        if (fd >= 0) {
            fsync(fd);
            close(fd);
        }
        if (rename(m_path.c_str(), target.c_str()) != 0)
            throw InitDbError{"cannot write " + target + ": " + strerror(errno)};
        m_path.clear();
    }

private:
    std::string m_path;
};

}  // namespace

void PrepareForImport(CDatabase& db, const std::string& schemaFolder) {
    if (!HasHardwareTables(db, "[dbo]."))
        throw InitDbError{
            "the database has no hardware tables: import into a new --db file, or create them "
            "with hwconsole init-db"};
    // A database made before PCs had identities, or before the fleet index,
    // gets the missing tables from the schema file; its PCs keep their IDs.
    std::vector<const char*> missing;
    for (const char* probe : {"PCIdentity", "PCListing"}) {
        try {
            db.ExecuteSQL(("SELECT 1 FROM [dbo].[" + std::string(probe) + "] WHERE 1 = 0").c_str());
        } catch (const CDBException&) {
            missing.push_back(probe);
        }
    }
    if (missing.empty()) return;
    const bool index = missing.back() == std::string("PCListing");
    if (index) missing.insert(missing.end(), {"PCSearch", "pg_trgm"});
    const std::vector<std::string> schema = ReadSchema(schemaFolder + DialectName(db) + ".sql");
    CTransaction transaction(db);
    for (const std::string& statement : schema)
        for (const char* table : missing)
            if (strcasestr(statement.c_str(), table)) {
                db.ExecuteSQL(statement.c_str());
                break;
            }
    if (index) RefreshFleetIndex(db, INT32_MIN, INT32_MAX);
    transaction.Commit();
}

InitDbResult InitSqliteFile(const std::string& file, const InitDbOptions& options) {
    struct stat info = {};
    if (stat(file.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) throw InitDbError{file + " is a folder, not a database file"};
        if (info.st_size > 0 && !options.force)
            throw InitDbError{file +
                              " already exists and is not empty; init-db would replace it "
                              "(add --force to overwrite it)"};
    }
    const std::vector<std::string> schema = ReadSchema(options.schemaFolder + "sqlite.sql");
    TemporaryFile temp(file);
    InitDbResult result;
    {
        CDatabase db;
        db.OpenEx(SqliteConnectionString(temp.Path()).c_str());
        // The file is not in place until it is complete: a crash can only
        // lose the temporary file, so the load may skip the journal's syncs.
        db.ExecuteSQL("PRAGMA synchronous = OFF");
        db.ExecuteSQL("PRAGMA journal_mode = MEMORY");
        result.rows = Load(db, schema, "", false, options);
    }
    temp.MoveTo(file);
    result.where = file;
    return result;
}

InitDbResult InitConnection(const std::string& connect, const InitDbOptions& options) {
    CDatabase db;
    try {
        db.OpenEx(connect.c_str());
    } catch (const CDBException& e) {
        throw InitDbError{std::string("cannot connect to the database: ") + e.what()};
    }
    const std::string path = options.schemaFolder + DialectName(db) + ".sql";
    if (access(path.c_str(), F_OK) != 0)
        throw InitDbError{"no schema for " + std::string(db.GetDBMSName().str()) + ": " + path +
                          " not found"};
    const std::vector<std::string> schema = ReadSchema(path);
    const std::string owner = db.GetDialect() == DbDialect::SQLite ? "" : "[dbo].";
    const bool exists = HasHardwareTables(db, owner);
    if (exists && !options.force)
        throw InitDbError{
            "the database already holds the hardware tables; init-db would "
            "replace them (add --force to drop and recreate them)"};
    InitDbResult result;
    result.rows = Load(db, schema, owner, exists, options);
    result.where = db.GetDBMSName().str();
    return result;
}
