// The shipped DDL: where it is installed and how it splits into statements.
#pragma once

#include <string>
#include <vector>

#include "platform/Database.h"

// <install root>/schema/ for the running program (<root>/bin/hwconsole).
std::string DefaultSchemaFolder();

// The schema file's base name for a connection: sqlite, postgresql,
// sqlserver, or the DBMS name in lower case letters and digits.
std::string DialectName(const CDatabase& db);

// The statements of a schema file: each ends with ";" at a line end, or
// with a line holding only GO (the batch separator of the SQL Server
// file). Lines starting with "--" are comments. Throws std::runtime_error
// when the file cannot be read or holds no statement.
std::vector<std::string> ReadSchemaFile(const std::string& path);
