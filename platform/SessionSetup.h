// Internal to the platform library: the session set-up that makes the suite's
// tables answer to the owner "dbo" on every supported database, and the
// read-only sessions for statements that users write.
#pragma once

#include "platform/Database.h"

struct sqlite3;

// SQLite attaches the connection's own database file as "dbo"; PostgreSQL puts
// schema dbo first on the search path; SQL Server has dbo already. Throws
// CDBException; the connection stays open either way.
void PrepareDboSession(CDatabase& database, const char* lpszConnectString);

// Configures the SQLite engine under the SQLite3 ODBC driver before anything
// in the process initialises it; later calls, or an engine the host already
// started, change nothing.
void PrepareSqliteEngine();

// Notes the SQLite engine handle that the driver opens on this thread while
// alive (the driver gives it out nowhere else); null when none was opened.
class SqliteHandleCatcher {
public:
    SqliteHandleCatcher();
    ~SqliteHandleCatcher();
    SqliteHandleCatcher(const SqliteHandleCatcher&) = delete;
    SqliteHandleCatcher& operator=(const SqliteHandleCatcher&) = delete;
    sqlite3* Handle() const;

private:
    SqliteHandleCatcher* m_pOuter;
};

// Makes the open session refuse writes where the database enforces it.
// SQLite: query_only, and on `sqlite` (the engine handle of this connection,
// required) an authorizer that admits only reading and IsQueryFunction's
// functions, a limit on the length of any value, and the time limit of
// CQueryScope. PostgreSQL: read-only transactions and standard strings, and
// a session user that can write nothing (else CDBException, SQLSTATE 42501).
// Others rely on the driver's SQL_ATTR_ACCESS_MODE. Throws CDBException.
void PrepareReadOnlySession(CDatabase& database, sqlite3* sqlite);
