// `hwconsole init-db`: the options; host/InitDb.h does the work.
#include "host/InitDb.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "console/Console.h"
#include "host/Installation.h"

namespace {

struct InitDbCommandOptions {
    DatabaseChoice database;
    std::optional<std::string> pcs, seed, schema;
    bool force = false;
};

int RunInitDb(const InitDbCommandOptions& given) {
    InitDbOptions options;
    unsigned long long number = 0;
    if (given.pcs) {
        if (!ParseWholeNumber(*given.pcs, INT32_MAX, number)) {
            fprintf(stderr, "hwconsole: --pcs needs a whole number from 0 to %d\n", INT32_MAX);
            return kExitUsage;
        }
        options.pcs = static_cast<long long>(number);
    }
    if (given.seed) {
        if (!ParseWholeNumber(*given.seed, UINT64_MAX, number)) {
            fprintf(stderr, "hwconsole: --seed needs a whole number from 0 to %llu\n",
                    static_cast<unsigned long long>(UINT64_MAX));
            return kExitUsage;
        }
        options.seed = number;
    }
    options.force = given.force;
    options.schemaFolder = given.schema.value_or(InstallationSchemaFolder());
    if (!options.schemaFolder.empty() && options.schemaFolder.back() != '/')
        options.schemaFolder += '/';

    std::string error;
    const std::string connect = ConnectionString(given.database, error, false);
    if (connect.empty()) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }

    const auto start = std::chrono::steady_clock::now();
    InitDbResult result;
    try {
        result = given.database.file ? InitSqliteFile(*given.database.file, options)
                                     : InitConnection(connect, options);
    } catch (const InitDbError& e) {
        fprintf(stderr, "hwconsole: %s\n", e.message.c_str());
        return kExitFailed;
    } catch (const CDBException& e) {
        fprintf(stderr, "hwconsole: database error, nothing was written: %s\n", e.what());
        return kExitFailed;
    } catch (const InitDbInterrupted&) {
        fprintf(stderr, "hwconsole: interrupted, nothing was written\n");
        return kExitFailed;
    } catch (const std::exception& e) {
        // Out of memory and the like: still a message, not an abort.
        fprintf(stderr, "hwconsole: init-db failed, nothing was written: %s\n", e.what());
        return kExitFailed;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("init-db: %lld PCs, %lld rows in %.1f s into %s (seed %llu)\n", options.pcs, result.rows,
           seconds, result.where.c_str(), static_cast<unsigned long long>(options.seed));
    return kExitOk;
}

}  // namespace

void AddInitDbCommand(CommandLine& line) {
    auto options = std::make_shared<InitDbCommandOptions>();
    CLI::App* command =
        line.Add("init-db", "create the hardware tables and fill them with a sample fleet",
                 [options] { return RunInitDb(*options); });
    AddOption(command, "--db", options->database.file,
              "a new SQLite file (refuses to replace a non-empty file unless --force)", "FILE");
    AddOption(command, "--connect", options->database.connect,
              "or an ODBC database with a schema file in ../schema/ (refuses existing tables "
              "unless --force, which drops them)",
              "STRING");
    AddOption(command, "--pcs", options->pcs, "number of PCs (default 1000)", "N");
    AddOption(command, "--seed", options->seed, "the same seed gives the same fleet (default 1)",
              "S");
    AddOption(command, "--schema", options->schema, "read <dialect>.sql from DIR", "DIR/");
    command->add_flag("--force", options->force, "replace an existing database");
}
