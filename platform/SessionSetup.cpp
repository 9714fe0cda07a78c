// The session set-up that makes the suite's tables answer to the owner "dbo",
// for every host.
#include "platform/SessionSetup.h"

#include <string>

namespace {

// The value of `key` in an ODBC connection string ("k=v;k={v;with;semicolons}").
std::string ConnectionValue(const std::string& connect, const char* key) {
    size_t pos = 0;
    while (pos < connect.size()) {
        const size_t equals = connect.find('=', pos);
        if (equals == std::string::npos) break;
        CString name(connect.substr(pos, equals - pos));
        name.Trim();
        std::string value;
        size_t next;
        if (equals + 1 < connect.size() && connect[equals + 1] == '{') {
            const size_t close = connect.find('}', equals + 2);
            value = connect.substr(
                equals + 2, close == std::string::npos ? std::string::npos : close - equals - 2);
            next = close == std::string::npos ? connect.size() : connect.find(';', close);
        } else {
            next = connect.find(';', equals);
            value = connect.substr(
                equals + 1, next == std::string::npos ? std::string::npos : next - equals - 1);
        }
        if (name.CompareNoCase(key) == 0) return value;
        if (next == std::string::npos) break;
        pos = next + 1;
    }
    return std::string();
}

}  // namespace

void PrepareDboSession(CDatabase& database, const char* lpszConnectString) {
    switch (database.GetDialect()) {
        case DbDialect::SQLite: {
            // The completed string names the file also when a DSN supplied it.
            std::string file = ConnectionValue(database.GetConnect().str(), "Database");
            if (file.empty())
                file = ConnectionValue(lpszConnectString ? lpszConnectString : "", "Database");
            if (file.empty())
                throw CDBException(AFX_SQL_ERROR_CONNECT_FAIL,
                                   "The SQLite connection names no Database file to attach as dbo",
                                   CString());
            CString quoted(file);
            quoted.Replace("'", "''");
            database.ExecuteSQL("ATTACH DATABASE '" + quoted + "' AS dbo");
            // No PRAGMA mmap_size: each connection reads pages into its own
            // cache. Read in place from a mapping of the file, two report
            // threads on a 100,000-PC fleet each spent 13-20 % more CPU per
            // report than one thread did (about 3 % without it), for no
            // gain on one thread.
            break;
        }
        case DbDialect::PostgreSQL:
            database.ExecuteSQL("SET search_path TO dbo, public");
            break;
        case DbDialect::SQLServer:
        case DbDialect::Generic:
            break;
    }
}
