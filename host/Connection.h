// How a host names its database: a SQLite file (the embedded default) or
// any ODBC connection string.
#pragma once

#include <optional>
#include <string>

#include "HardwareList.h"

// The database a user named: a SQLite file (--db FILE), an ODBC connection
// string (--connect STRING), both or neither; a given but empty value counts
// as given.
struct DatabaseChoice {
    std::optional<std::string> file;
    std::optional<std::string> connect;
};

// The ODBC connection string for the choice, or "" with `error` set (no
// database or both named, or a file that does not exist when mustExist).
std::string ConnectionString(const DatabaseChoice& choice, std::string& error,
                             bool mustExist = true);

// "Driver=SQLite3;Database=<file>".
std::string SqliteConnectionString(const std::string& file);
// The same file opened read-only by the engine itself (a file: URI with
// mode=ro), for statements that users write.
std::string SqliteReadOnlyConnectionString(const std::string& file);

// The database as messages name it: the file, or the connection string
// with any password replaced by "***".
std::string DatabaseName(const DatabaseChoice& choice);

// Opens `connection`; on failure prints "cannot connect to <name>: <ODBC
// diagnostics>" and returns false.
bool OpenConnection(CDataConnection& connection, const std::string& connect,
                    const std::string& name, uint32_t options = CDatabase::noOdbcDialog);
