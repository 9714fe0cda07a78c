// CDataConnection: a CDatabase plus the session set-up every host needs.
#include "platform/DataConnection.h"

#include "platform/SessionSetup.h"

void CDataConnection::Open(const char* lpszConnectString) {
    Open(lpszConnectString, CDatabase::noOdbcDialog);
}

void CDataConnection::Open(const char* lpszConnectString, uint32_t dwOptions) {
    SqliteHandleCatcher sqlite;  // the engine a SQLite driver opens, for a read-only session
    m_database.OpenEx(lpszConnectString, dwOptions);
    try {
        PrepareDboSession(m_database, lpszConnectString);
        if (dwOptions & CDatabase::openReadOnly)
            PrepareReadOnlySession(m_database, sqlite.Handle());
    } catch (...) {
        m_database.Close();
        throw;
    }
}

void CDataConnection::Close() {
    m_database.Close();
}
