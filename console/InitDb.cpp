// `hwconsole init-db`: the options; host/InitDb.h does the work.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "console/Console.h"
#include "host/InitDb.h"
#include "host/Installation.h"

int RunInitDb(const CommandLine& cmd) {
    InitDbOptions options;
    unsigned long long number = 0;
    if (cmd.Has("pcs")) {
        if (!ParseWholeNumber(cmd.Option("pcs"), INT32_MAX, number)) {
            fprintf(stderr, "hwconsole: --pcs needs a whole number from 0 to %d\n", INT32_MAX);
            return kExitUsage;
        }
        options.pcs = static_cast<long long>(number);
    }
    if (cmd.Has("seed")) {
        if (!ParseWholeNumber(cmd.Option("seed"), UINT64_MAX, number)) {
            fprintf(stderr, "hwconsole: --seed needs a whole number from 0 to %llu\n",
                    static_cast<unsigned long long>(UINT64_MAX));
            return kExitUsage;
        }
        options.seed = number;
    }
    options.force = cmd.Has("force");
    options.schemaFolder = cmd.Option("schema", InstallationSchemaFolder());
    if (!options.schemaFolder.empty() && options.schemaFolder.back() != '/')
        options.schemaFolder += '/';

    std::string error;
    const std::string connect = ConnectionString(cmd, error, false);
    if (connect.empty()) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }

    const auto start = std::chrono::steady_clock::now();
    InitDbResult result;
    try {
        result = cmd.Has("db") ? InitSqliteFile(cmd.Option("db"), options)
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
