// `hwconsole import`: the options; import/ does the work.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>

#include "console/Console.h"
#include "host/FreedMemory.h"
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

struct ImportOptions {
    DatabaseChoice database;
    std::vector<std::string> paths;
    std::optional<std::string> jobs, schema, keep;
};

int RunImport(const ImportOptions& given) {
    if (given.paths.empty()) {
        fprintf(stderr, "hwconsole: import needs at least one inventory file, folder or -\n");
        return kExitUsage;
    }
    hwimport::RunOptions options;
    if (given.jobs) {
        unsigned long long jobs = 0;
        if (!ParseWholeNumber(*given.jobs, kMaxImportJobs, jobs) || jobs < 1) {
            fprintf(stderr, "hwconsole: --jobs needs a whole number from 1 to %d\n",
                    kMaxImportJobs);
            return kExitUsage;
        }
        options.jobs = static_cast<int>(jobs);
    }
    hwhistory::HistoryOptions history;
    if (given.keep) {
        unsigned long long keep = 0;
        if (!ParseWholeNumber(*given.keep, 1000000, keep) || keep < 1) {
            fprintf(stderr, "hwconsole: --keep needs a whole number from 1 to 1000000\n");
            return kExitUsage;
        }
        history.keep = static_cast<int>(keep);
    }
    std::string schemaFolder = given.schema.value_or(InstallationSchemaFolder());
    if (!schemaFolder.empty() && schemaFolder.back() != '/') schemaFolder += '/';
    std::string error;
    const std::string connect = ConnectionString(given.database, error, false);
    if (connect.empty()) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }

    CDataConnection connection;
    std::unique_ptr<hwimport::BatchFollower> snapshots;  // goes before its connection
    try {
        // A --db file that does not exist yet, or is empty, gets the tables.
        struct stat info = {};
        const std::string file = given.database.file.value_or("");
        if (given.database.file && (stat(file.c_str(), &info) != 0 || info.st_size == 0)) {
            InitDbOptions schemaOnly;
            schemaOnly.fleet = false;
            schemaOnly.schemaFolder = schemaFolder;
            InitSqliteFile(file, schemaOnly);
        }
        if (!OpenConnection(connection, connect, DatabaseName(given.database))) return kExitFailed;
        PrepareForImport(connection.m_database, schemaFolder);
        snapshots = hwhistory::SnapshotPipeline(connection, connect, history);
        options.follower = snapshots.get();
    } catch (const InitDbError& e) {
        fprintf(stderr, "hwconsole: %s\n", e.message.c_str());
        return kExitFailed;
    } catch (const std::exception& e) {
        fprintf(stderr, "hwconsole: the database cannot take imports: %s\n", e.what());
        return kExitFailed;
    }

    KeepFreedMemory();
    const auto start = std::chrono::steady_clock::now();
    const hwimport::RunSummary summary = hwimport::ImportAll(
        connection.m_database, hwimport::SourcesFromPaths(given.paths, options.import.maxBytes),
        options, Print);
    snapshots.reset();
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

}  // namespace

void AddImportCommand(CommandLine& line) {
    auto options = std::make_shared<ImportOptions>();
    CLI::App* command =
        line.Add("import", "inventories of the open-source inventory agents into the database",
                 [options] { return RunImport(*options); });
    command->footer(
        "Each inventory replaces its PC's rows (matched by agent device id, then\n"
        "hardware UUID, then serial number and manufacturer; else a new PC).\n"
        "One line per inventory, a summary at the end.");
    command
        ->add_option("PATH", options->paths,
                     "an XML or JSON inventory (plain, gzip or zlib), a folder (every file in "
                     "it) or - for standard input")
        ->take_all();
    AddOption(command, "--db", options->database.file,
              "a SQLite file, created with the hardware schema when it does not exist", "FILE");
    AddOption(command, "--connect", options->database.connect, "or any ODBC connection string",
              "STRING");
    AddOption(command, "--jobs", options->jobs,
              "threads that parse (default 1); one connection writes, in the order given", "N");
    AddOption(command, "--schema", options->schema, "read <dialect>.sql from DIR", "DIR/");
    AddOption(command, "--keep", options->keep,
              "snapshots of each PC's report kept for hwconsole changes (default 20)", "N");
}
