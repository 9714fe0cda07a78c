// `hwconsole import`: inventory files, folders or standard input into the
// database through the import library; this file only finds the inputs,
// opens the database and prints.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "console/Connection.h"
#include "console/Console.h"
#include "console/Schema.h"
#include "import/ImportRun.h"
#include "platform/Transaction.h"

namespace {

constexpr int kMaxImportJobs = 64;

// Reads a file descriptor to its end; refuses more than `maxBytes`.
// `expected`: the size the file says it has, so that one buffer holds it.
std::string ReadAll(int fd, const std::string& name, size_t maxBytes, size_t expected = 0) {
    std::string bytes;
    bytes.reserve(std::min(expected, maxBytes) + 1);
    for (;;) {
        // Read straight into the string, growing it only when it is full.
        const size_t used = bytes.size();
        bytes.resize(used < bytes.capacity() ? bytes.capacity() : used + (1 << 16));
        const ssize_t n = read(fd, &bytes[used], bytes.size() - used);
        bytes.resize(used + static_cast<size_t>(std::max<ssize_t>(n, 0)));
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            throw hwimport::InventoryError("cannot read " + name + ": " + strerror(errno));
        }
        if (bytes.size() > maxBytes)
            throw hwimport::InventoryError("the inventory is larger than the " +
                                           hwimport::MegabytesText(maxBytes) + " limit");
    }
    return bytes;
}

std::string ReadFile(const std::string& path, size_t maxBytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw hwimport::InventoryError(std::string("cannot open it: ") + strerror(errno));
    struct stat info = {};
    // A huge file is refused before it is read into memory.
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<size_t>(info.st_size) > maxBytes) {
        close(fd);
        throw hwimport::InventoryError(
            "the inventory is " + hwimport::MegabytesText(static_cast<size_t>(info.st_size)) +
            ", over the " + hwimport::MegabytesText(maxBytes) + " limit");
    }
    try {
        std::string bytes = ReadAll(fd, path, maxBytes, static_cast<size_t>(info.st_size));
        close(fd);
        return bytes;
    } catch (...) {
        close(fd);
        throw;
    }
}

// The sources a PATH names: the file, every file of a folder (by name), or
// standard input for "-". A path that cannot be listed becomes a source
// that fails with the reason.
void AddSources(const std::string& path, size_t maxBytes,
                std::vector<hwimport::InventorySource>& sources) {
    if (path == "-") {
        sources.push_back(
            {"standard input", [maxBytes] { return ReadAll(0, "standard input", maxBytes); }});
        return;
    }
    struct stat info = {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::vector<std::string> names;
        if (DIR* dir = opendir(path.c_str())) {
            while (const dirent* entry = readdir(dir)) {
                const std::string file = path + (path.back() == '/' ? "" : "/") + entry->d_name;
                struct stat fileInfo = {};
                if (stat(file.c_str(), &fileInfo) == 0 && S_ISREG(fileInfo.st_mode))
                    names.push_back(file);
            }
            closedir(dir);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& file : names)
            sources.push_back({file, [file, maxBytes] { return ReadFile(file, maxBytes); }});
        return;
    }
    sources.push_back({path, [path, maxBytes] { return ReadFile(path, maxBytes); }});
}

// A new SQLite file with the hardware schema. A file left half-made by a
// failure is removed, so the next run starts clean.
bool CreateSqliteFile(const std::string& file, const std::string& schemaFolder) {
    try {
        const std::vector<std::string> schema = ReadSchemaFile(schemaFolder + "sqlite.sql");
        CDatabase db;
        try {
            db.OpenEx(SqliteConnectionString(file).c_str());
            CTransaction transaction(db);
            for (const std::string& statement : schema) db.ExecuteSQL(statement.c_str());
            transaction.Commit();
        } catch (...) {
            db.Close();
            unlink(file.c_str());
            throw;
        }
        return true;
    } catch (const std::exception& e) {
        fprintf(stderr, "hwconsole: cannot create %s: %s\n", file.c_str(), e.what());
        return false;
    }
}

bool HasTable(CDatabase& db, const char* table) {
    try {
        db.ExecuteSQL((std::string("SELECT 1 FROM [dbo].[") + table + "] WHERE 1 = 0").c_str());
        return true;
    } catch (const CDBException&) {
        return false;
    }
}

// A database made before PCs had identities gets the PCIdentity table (and
// its indexes) from the schema file; its PCs keep their IDs.
bool EnsureIdentityTable(CDatabase& db, const std::string& schemaFolder) {
    if (!HasTable(db, "SystemOverview")) {
        fprintf(stderr,
                "hwconsole: the database has no hardware tables (hwconsole init-db --pcs 0 "
                "creates them)\n");
        return false;
    }
    if (HasTable(db, "PCIdentity")) return true;
    try {
        const std::vector<std::string> schema =
            ReadSchemaFile(schemaFolder + DialectName(db) + ".sql");
        CTransaction transaction(db);
        for (const std::string& statement : schema)
            if (strcasestr(statement.c_str(), "PCIdentity")) db.ExecuteSQL(statement.c_str());
        transaction.Commit();
        return true;
    } catch (const std::exception& e) {
        fprintf(stderr,
                "hwconsole: the database has no PCIdentity table and it cannot be added: %s\n",
                e.what());
        return false;
    }
}

}  // namespace

int RunImport(const CommandLine& cmd) {
    std::string unknown;
    const std::vector<std::string> paths =
        cmd.Positional({"db", "connect", "jobs", "schema"}, {}, unknown);
    if (!unknown.empty()) {
        fprintf(stderr, "hwconsole: import does not know the option %s (see hwconsole --help)\n",
                unknown.c_str());
        return kExitUsage;
    }
    if (paths.empty()) {
        fprintf(stderr, "hwconsole: import needs at least one inventory file, folder or -\n");
        return kExitUsage;
    }
    hwimport::RunOptions options;
    if (cmd.Has("jobs")) {
        int32_t jobs = 0;
        if (!ParsePcId(cmd.Option("jobs"), jobs) || jobs < 1 || jobs > kMaxImportJobs) {
            fprintf(stderr, "hwconsole: --jobs needs a whole number from 1 to %d\n",
                    kMaxImportJobs);
            return kExitUsage;
        }
        options.jobs = jobs;
    }
    std::string schemaFolder = cmd.Option("schema", DefaultSchemaFolder());
    if (!schemaFolder.empty() && schemaFolder.back() != '/') schemaFolder += '/';
    std::string error;
    const std::string connect = ConnectionString(cmd, error, false);
    if (connect.empty()) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    // A --db file that does not exist yet, or is empty, gets the schema.
    const std::string file = cmd.Option("db");
    struct stat info = {};
    if (cmd.Has("db") && (stat(file.c_str(), &info) != 0 || info.st_size == 0) &&
        !CreateSqliteFile(file, schemaFolder))
        return kExitFailed;

    CDataConnection connection;
    if (!OpenConnection(connection, connect, DatabaseName(cmd))) return kExitFailed;
    if (!EnsureIdentityTable(connection.m_database, schemaFolder)) return kExitFailed;

    hwimport::KeepFreedMemoryForImports();

    std::vector<hwimport::InventorySource> sources;
    for (const std::string& path : paths) AddSources(path, options.import.maxBytes, sources);

    const auto start = std::chrono::steady_clock::now();
    const hwimport::RunSummary summary = hwimport::ImportAll(
        connection.m_database, sources, options,
        [](const hwimport::InventorySource& source, const hwimport::ImportResult& result) {
            const char* name = source.name.c_str();
            for (const std::string& warning : result.warnings)
                fprintf(stderr, "hwconsole: %s: warning: %s\n", name, warning.c_str());
            switch (result.status) {
                case hwimport::ImportStatus::New:
                case hwimport::ImportStatus::Updated:
                case hwimport::ImportStatus::Unchanged:
                    printf("imported %s as PC %d (%s)\n", name, result.pcId,
                           hwimport::StatusName(result.status));
                    break;
                case hwimport::ImportStatus::SkippedOlder:
                    printf("skipped %s: %s\n", name, result.message.c_str());
                    break;
                case hwimport::ImportStatus::Failed:
                    fprintf(stderr, "hwconsole: %s: %s\n", name, result.message.c_str());
                    break;
            }
        });
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    using hwimport::ImportStatus;
    printf(
        "import: %zu %s in %.1f s: %zu new, %zu updated, %zu unchanged, "
        "%zu skipped as older, %zu failed\n",
        summary.Total(), summary.Total() == 1 ? "inventory" : "inventories", seconds,
        summary.Of(ImportStatus::New), summary.Of(ImportStatus::Updated),
        summary.Of(ImportStatus::Unchanged), summary.Of(ImportStatus::SkippedOlder),
        summary.Of(ImportStatus::Failed));
    return summary.Of(ImportStatus::Failed) ? kExitFailed : kExitOk;
}
