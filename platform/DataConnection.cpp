// CDataConnection: a CDatabase plus the session set-up every host needs.
#include "platform/DataConnection.h"

#include "platform/SessionSetup.h"

void CDataConnection::Open(const char* lpszConnectString) {
    Open(lpszConnectString, CDatabase::noOdbcDialog);
}

void CDataConnection::Open(const char* lpszConnectString, uint32_t dwOptions) {
    m_database.OpenEx(lpszConnectString, dwOptions);
    try {
        PrepareDboSession(m_database, lpszConnectString);
        if (dwOptions & CDatabase::openReadOnly) PrepareReadOnlySession(m_database);
    } catch (...) {
        m_database.Close();
        throw;
    }
}

void CDataConnection::Close() {
    m_database.Close();
}
