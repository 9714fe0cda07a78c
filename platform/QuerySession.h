// Statements that users write (`hwconsole query`, named queries) run where the
// database itself keeps them from writing, reading files or running code:
// open the connection with CDatabase::openReadOnly, then run each statement
// inside a CQueryScope.
//
// SQLite: the connection refuses writes (query_only), and an authorizer in
// the engine lets a statement only read tables and call IsQueryFunction's
// functions. That is the only switch there is: the SQLite3 ODBC driver turns
// extension loading on for every connection, registers blob_import and
// blob_export (which read and write any file), and hands out no handle. The
// platform takes the engine's handle as the driver opens the database.
// PostgreSQL: the session user must be a role that can write nothing
// (schema/postgresql.sql creates hwreader for this); opening as any other
// refuses. A statement cannot give its session more rights than that role.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/Database.h"
#include "platform/Transaction.h"

// Whether `name` (any letter case) is a function a user's query may call:
// pure functions of text, numbers and dates, aggregates and window functions.
// Nothing that reads files, loads code, sleeps, locks, or builds values of
// any size from a short argument (repeat, lpad, printf).
HWPLATFORM_API bool IsQueryFunction(const std::string& name);

// The surroundings of one statement a user wrote, on a connection opened with
// openReadOnly. PostgreSQL: a read-only transaction that is always rolled
// back (so not even a large object or a setting survives) with the time limit
// as statement_timeout. SQLite: the engine interrupts a statement still
// running after `timeLimit`. Either way the statement fails with SQLSTATE
// 57014 (PostgreSQL) or "interrupted" (SQLite). Throws CDBException.
class HWPLATFORM_API CQueryScope {
public:
    CQueryScope(CDatabase& database, std::chrono::seconds timeLimit);
    ~CQueryScope();
    CQueryScope(const CQueryScope&) = delete;
    CQueryScope& operator=(const CQueryScope&) = delete;

private:
    CDatabase& m_database;
    std::unique_ptr<CTransaction> m_pTransaction;
};
