// Internal to the platform library: the session set-up that makes the suite's
// tables answer to the owner "dbo" on every supported database.
#pragma once

#include "platform/Database.h"

// SQLite attaches the connection's own database file as "dbo"; PostgreSQL puts
// schema dbo first on the search path; SQL Server has dbo already. Throws
// CDBException; the connection stays open either way.
void PrepareDboSession(CDatabase& database, const char* lpszConnectString);

// Makes the open session refuse writes where the database enforces it:
// SQLite "PRAGMA query_only", PostgreSQL read-only transactions. Others rely
// on the driver's SQL_ATTR_ACCESS_MODE. Throws CDBException.
void PrepareReadOnlySession(CDatabase& database);
