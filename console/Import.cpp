// `hwconsole import`: the options; import/ does the work.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <exception>

#include "console/Console.h"
#include "host/InitDb.h"
#include "history/Snapshots.h"
#include "host/Installation.h"
#include "import/InventoryFiles.h"

namespace {

constexpr int kMaxImportJobs = 64;

void Print(const hwimport::InventorySource& source, const hwimport::ImportResult& result) {
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
}

}  // namespace

int RunImport(const CommandLine& cmd) {
    std::string unknown;
    const std::vector<std::string> paths =
        cmd.Positional({"db", "connect", "jobs", "schema", "keep"}, {}, unknown);
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
        unsigned long long jobs = 0;
        if (!ParseWholeNumber(cmd.Option("jobs"), kMaxImportJobs, jobs) || jobs < 1) {
            fprintf(stderr, "hwconsole: --jobs needs a whole number from 1 to %d\n",
                    kMaxImportJobs);
            return kExitUsage;
        }
        options.jobs = static_cast<int>(jobs);
    }
    hwhistory::HistoryOptions history;
    if (cmd.Has("keep")) {
        unsigned long long keep = 0;
        if (!ParseWholeNumber(cmd.Option("keep"), 1000000, keep) || keep < 1) {
            fprintf(stderr, "hwconsole: --keep needs a whole number from 1 to 1000000\n");
            return kExitUsage;
        }
        history.keep = static_cast<int>(keep);
    }
    std::string schemaFolder = cmd.Option("schema", InstallationSchemaFolder());
    if (!schemaFolder.empty() && schemaFolder.back() != '/') schemaFolder += '/';
    std::string error;
    const std::string connect = ConnectionString(cmd, error, false);
    if (connect.empty()) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }

    CDataConnection connection;
    try {
        // A --db file that does not exist yet, or is empty, gets the tables.
        struct stat info = {};
        const std::string file = cmd.Option("db");
        if (cmd.Has("db") && (stat(file.c_str(), &info) != 0 || info.st_size == 0)) {
            InitDbOptions schemaOnly;
            schemaOnly.fleet = false;
            schemaOnly.schemaFolder = schemaFolder;
            InitSqliteFile(file, schemaOnly);
        }
        if (!OpenConnection(connection, connect, DatabaseName(cmd))) return kExitFailed;
        PrepareForImport(connection.m_database, schemaFolder);
        options.import.afterWrite = hwhistory::SnapshotHook(connection, history);
    } catch (const InitDbError& e) {
        fprintf(stderr, "hwconsole: %s\n", e.message.c_str());
        return kExitFailed;
    } catch (const std::exception& e) {
        fprintf(stderr, "hwconsole: the database cannot take imports: %s\n", e.what());
        return kExitFailed;
    }

    hwimport::KeepFreedMemoryForImports();
    const auto start = std::chrono::steady_clock::now();
    const hwimport::RunSummary summary = hwimport::ImportAll(
        connection.m_database, hwimport::SourcesFromPaths(paths, options.import.maxBytes), options,
        Print);
    // The hook's statements belong to the connection: gone before it is.
    options.import.afterWrite = nullptr;
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
