// The host's open database connection, as the component receives it in a
// DisplayRequest. It lives in the platform library so that host and
// component share one definition.
#pragma once

#include <cstdint>

#include "platform/Database.h"
#include "platform/Export.h"

// The component reads only m_database; the leading words belong to the host.
class HWPLATFORM_API CDataConnection {
public:
    CDataConnection() = default;
    ~CDataConnection() = default;
    CDataConnection(const CDataConnection&) = delete;
    CDataConnection& operator=(const CDataConnection&) = delete;

    // Opens an ODBC connection string and prepares the session so that the
    // suite's tables answer to the owner "dbo": SQLite attaches its own
    // database file as "dbo", PostgreSQL puts schema dbo first on the search
    // path. Throws CDBException.
    void Open(const char* lpszConnectString);
    // The same, with CDatabase::OpenEx options. With CDatabase::openReadOnly
    // the driver is asked for a read-only connection and the session is made
    // read-only where the database can enforce it (SQLite: query_only;
    // PostgreSQL: read-only transactions), so a statement that writes fails.
    void Open(const char* lpszConnectString, uint32_t dwOptions);
    void Close();
    bool IsOpen() const { return m_database.IsOpen(); }

    int32_t m_reserved[5] = {};
    CDatabase m_database;
};
