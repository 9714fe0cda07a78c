// How the console's commands name their database: --db FILE (SQLite, the
// embedded default) or --connect STRING (any ODBC connection string).
#pragma once

#include <string>

#include "HardwareList.h"
#include "console/Console.h"

// The ODBC connection string for the command line, or "" with `error` set
// (no database named, or a --db file that does not exist when mustExist).
std::string ConnectionString(const CommandLine& cmd, std::string& error, bool mustExist = true);

// "Driver=SQLite3;Database=<file>".
std::string SqliteConnectionString(const std::string& file);
// The same file opened read-only by the engine itself (a file: URI with
// mode=ro), for statements that users write.
std::string SqliteReadOnlyConnectionString(const std::string& file);

// The database as messages name it: the --db file, or the connection string
// with any password replaced by "***".
std::string DatabaseName(const CommandLine& cmd);

// Opens `connection`; on failure prints "cannot connect to <name>: <ODBC
// diagnostics>" and returns false.
bool OpenConnection(CDataConnection& connection, const std::string& connect,
                    const std::string& name, uint32_t options = CDatabase::noOdbcDialog);
