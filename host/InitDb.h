// Creating a database of the hardware tables filled with the sample fleet:
// what `hwconsole init-db` does.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Database.h"

struct InitDbOptions {
    long long pcs = 1000;      // PCs 1 .. pcs
    uint64_t seed = 1;         // the same seed gives the same fleet
    bool force = false;        // replace an existing file or existing tables
    std::string schemaFolder;  // holds <dialect>.sql; ends in '/'
    bool fleet = true;         // false: the tables only, not even the sample device types
};

struct InitDbResult {
    long long rows = 0;  // rows written, over all tables
    std::string where;   // the file, or the DBMS name
};

// A failure a user reads as it stands: the message is complete.
struct InitDbError {
    std::string message;
};

// SIGINT or SIGTERM arrived during the load; nothing was written.
struct InitDbInterrupted {};

// Builds the SQLite file beside `file` and renames it into place once
// complete, so a failure leaves what was there before. Refuses a non-empty
// file without options.force. Throws InitDbError, InitDbInterrupted or
// CDBException.
InitDbResult InitSqliteFile(const std::string& file, const InitDbOptions& options);

// Loads the ODBC database `connect` with <dialect>.sql from the schema
// folder: schema, the drop of old tables (options.force) and every row in one
// transaction. Throws InitDbError, InitDbInterrupted or CDBException.
InitDbResult InitConnection(const std::string& connect, const InitDbOptions& options);

// Readies an open database for imports: refuses one without the hardware
// tables, and gives one made before PCs had identities the PCIdentity table
// from <dialect>.sql in `schemaFolder` (its PCs keep their IDs). Throws
// InitDbError or CDBException.
void PrepareForImport(CDatabase& db, const std::string& schemaFolder);
