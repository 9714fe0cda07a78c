// CDatabase, CDBException, AfxCheckSql and CTime over unixODBC.
#include "platform/Database.h"

#include <cstring>
#include <iterator>
#include <mutex>

#include "platform/SessionSetup.h"

namespace {

bool Succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// The leading "[vendor][component]" groups of a driver message.
CString OriginOf(const std::string& message) {
    size_t end = 0;
    while (end < message.size() && message[end] == '[') {
        const size_t close = message.find(']', end);
        if (close == std::string::npos) break;
        end = close + 1;
    }
    return CString(message.substr(0, end));
}

// The process-wide environment handle, created on first use. Connections keep
// a reference, so it outlives every connection even during static destruction.
std::shared_ptr<void> SharedEnvironment() {
    static std::mutex mutex;
    static std::weak_ptr<void> current;
    std::lock_guard<std::mutex> lock(mutex);
    if (auto env = current.lock()) return env;
    SQLHENV henv = SQL_NULL_HENV;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &henv);
    if (!Succeeded(rc))
        throw CDBException(rc, "Cannot allocate the ODBC environment handle", CString());
    std::shared_ptr<void> env(henv, OdbcHandleFree{SQL_HANDLE_ENV});
    rc = SQLSetEnvAttr(henv, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    AfxCheckSql(rc, SQL_HANDLE_ENV, henv);
    current = env;
    return env;
}

}  // namespace

// ---------------------------------------------------------------------------

void OdbcHandleFree::operator()(void* handle) const noexcept {
    if (handle == nullptr) return;
    if (type == SQL_HANDLE_DBC) SQLDisconnect(handle);  // harmless when never connected
    SQLFreeHandle(type, handle);
}

CDBException::CDBException(SQLRETURN nRetCode, CString strError, CString strStateNativeOrigin)
    : m_nRetCode(nRetCode),
      m_strError(std::move(strError)),
      m_strStateNativeOrigin(std::move(strStateNativeOrigin)) {
    // Pair each state entry with its message line: "SQLSTATE s: message; ...".
    const std::string& states = m_strStateNativeOrigin.str();
    const std::string& errors = m_strError.str();
    size_t statePos = 0, errorPos = 0;
    std::string what;
    while (statePos < states.size() || errorPos < errors.size()) {
        size_t stateEnd = states.find('\n', statePos);
        if (stateEnd == std::string::npos) stateEnd = states.size();
        size_t errorEnd = errors.find('\n', errorPos);
        if (errorEnd == std::string::npos) errorEnd = errors.size();
        const std::string entry =
            statePos < states.size() ? states.substr(statePos, stateEnd - statePos) : "";
        const std::string message =
            errorPos < errors.size() ? errors.substr(errorPos, errorEnd - errorPos) : "";
        if (!what.empty()) what += "; ";
        if (entry.compare(0, 6, "State:") == 0)
            what += "SQLSTATE " + entry.substr(6, 5) + (message.empty() ? "" : ": " + message);
        else
            what += message;
        statePos = stateEnd + 1;
        errorPos = errorEnd + 1;
    }
    if (what.empty()) what = "ODBC call failed with return code " + std::to_string(nRetCode);
    m_strWhat = what;
}

CDBException CDBException::FromHandle(SQLRETURN nRetCode, SQLSMALLINT handleType,
                                      SQLHANDLE handle) {
    CString errors, states;
    if (handle != SQL_NULL_HANDLE && nRetCode != SQL_INVALID_HANDLE) {
        for (SQLSMALLINT record = 1;; ++record) {
            SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
            SQLINTEGER native = 0;
            SQLSMALLINT length = 0;
            std::string message(1024, '\0');
            SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &native,
                                         reinterpret_cast<SQLCHAR*>(&message[0]),
                                         static_cast<SQLSMALLINT>(message.size()), &length);
            if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
                message.assign(static_cast<size_t>(length) + 1, '\0');
                rc = SQLGetDiagRec(handleType, handle, record, state, &native,
                                   reinterpret_cast<SQLCHAR*>(&message[0]),
                                   static_cast<SQLSMALLINT>(message.size()), &length);
            }
            if (!Succeeded(rc)) break;
            message.resize(std::strlen(message.c_str()));
            while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
                message.pop_back();
            // One line per record, so that lines and "State:" entries pair up.
            for (char& ch : message)
                if (ch == '\n' || ch == '\r') ch = ' ';
            if (!errors.IsEmpty()) errors += '\n';
            errors += message.c_str();
            if (!states.IsEmpty()) states += '\n';
            states.AppendFormat("State:%s,Native:%d,Origin:%s", reinterpret_cast<char*>(state),
                                static_cast<int>(native), OriginOf(message).GetString());
        }
    }
    return CDBException(nRetCode, errors, states);
}

CString CDBException::GetSqlState() const {
    const int pos = m_strStateNativeOrigin.Find("State:");
    return pos < 0 ? CString() : m_strStateNativeOrigin.Mid(pos + 6, 5);
}

void AfxCheckSql(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
    if (!Succeeded(rc)) throw CDBException::FromHandle(rc, handleType, handle);
}

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int nDST) {
    std::tm tm = {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = nDST;
    m_time = std::mktime(&tm);
}

// ---------------------------------------------------------------------------

CDatabase::CDatabase() = default;

CDatabase::~CDatabase() {
    Close();
}

bool CDatabase::OpenEx(const char* lpszConnectString, uint32_t dwOptions) {
    Close();
    std::string connect = lpszConnectString ? lpszConnectString : "";
    if (connect.size() >= 5 && CString(connect.substr(0, 5)).CompareNoCase("ODBC;") == 0)
        connect.erase(0, 5);

    PrepareSqliteEngine();  // before a driver opens the first SQLite database
    std::shared_ptr<void> env = SharedEnvironment();
    SQLHDBC hdbc = SQL_NULL_HDBC;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, env.get(), &hdbc);
    AfxCheckSql(rc, SQL_HANDLE_ENV, env.get());
    std::unique_ptr<void, OdbcHandleFree> connection(hdbc, OdbcHandleFree{SQL_HANDLE_DBC});
    if (dwOptions & openReadOnly) {
        rc = SQLSetConnectAttr(hdbc, SQL_ATTR_ACCESS_MODE,
                               reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);
        AfxCheckSql(rc, SQL_HANDLE_DBC, hdbc);
    }

    std::string completed(4096, '\0');
    SQLSMALLINT completedLength = 0;
    rc = SQLDriverConnect(
        hdbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connect.c_str())), SQL_NTS,
        reinterpret_cast<SQLCHAR*>(&completed[0]), static_cast<SQLSMALLINT>(completed.size()),
        &completedLength, SQL_DRIVER_NOPROMPT);
    AfxCheckSql(rc, SQL_HANDLE_DBC, hdbc);
    completed.resize(std::strlen(completed.c_str()));

    char dbmsName[256] = {};
    SQLSMALLINT nameLength = 0;
    rc = SQLGetInfo(hdbc, SQL_DBMS_NAME, dbmsName, sizeof dbmsName, &nameLength);
    AfxCheckSql(rc, SQL_HANDLE_DBC, hdbc);

    m_env = std::move(env);
    m_connection = std::move(connection);
    m_hdbc = hdbc;
    m_strConnect = completed.empty() ? connect : completed;
    m_strDBMSName = dbmsName;
    CString upper = m_strDBMSName;
    upper.MakeUpper();
    if (upper.Find("SQLITE") >= 0)
        m_dialect = DbDialect::SQLite;
    else if (upper.Find("POSTGRES") >= 0)
        m_dialect = DbDialect::PostgreSQL;
    else if (upper.Find("SQL SERVER") >= 0)
        m_dialect = DbDialect::SQLServer;
    else
        m_dialect = DbDialect::Generic;
    return true;
}

void CDatabase::Close() {
    m_statementCache.clear();  // statements go before their connection
    m_spareStatements.clear();
    m_connection.reset();
    m_pSessionGuard.reset();  // the engine no longer calls into it
    m_hdbc = SQL_NULL_HDBC;
    m_env.reset();
    m_strConnect.Empty();
    m_strDBMSName.Empty();
    m_dialect = DbDialect::Generic;
}

SQLHSTMT CDatabase::TakeStatement(const CString& strSQL) {
    // Most recently used last: a report's next statement is usually near the end.
    for (auto it = m_statementCache.rbegin(); it != m_statementCache.rend(); ++it) {
        if (it->strSQL == strSQL) {
            SQLHSTMT hstmt = it->handle.release();
            m_statementCache.erase(std::next(it).base());
            return hstmt;
        }
    }
    return SQL_NULL_HSTMT;
}

void CDatabase::GiveBackStatement(const CString& strSQL, SQLHSTMT hstmt) {
    std::unique_ptr<void, OdbcHandleFree> handle(hstmt, OdbcHandleFree{SQL_HANDLE_STMT});
    if (!IsOpen()) return;
    if (m_statementCache.size() >= kMaxCachedStatements)
        m_statementCache.erase(m_statementCache.begin());
    m_statementCache.push_back({strSQL, std::move(handle)});
}

SQLHSTMT CDatabase::TakeSpareStatement() {
    if (m_spareStatements.empty()) return SQL_NULL_HSTMT;
    SQLHSTMT hstmt = m_spareStatements.back().release();
    m_spareStatements.pop_back();
    return hstmt;
}

void CDatabase::GiveBackSpareStatement(SQLHSTMT hstmt) {
    std::unique_ptr<void, OdbcHandleFree> handle(hstmt, OdbcHandleFree{SQL_HANDLE_STMT});
    if (IsOpen() && m_spareStatements.size() < kMaxSpareStatements)
        m_spareStatements.push_back(std::move(handle));
}

void CDatabase::ExecuteSQL(const char* lpszSQL) {
    if (!IsOpen())
        throw CDBException(AFX_SQL_ERROR_CONNECT_FAIL, "The database is not open", CString());
    SQLHSTMT hstmt = SQL_NULL_HSTMT;
    AfxCheckSql(SQLAllocHandle(SQL_HANDLE_STMT, m_hdbc, &hstmt), SQL_HANDLE_DBC, m_hdbc);
    std::unique_ptr<void, OdbcHandleFree> statement(hstmt, OdbcHandleFree{SQL_HANDLE_STMT});
    CString text = PrepareSQLText(lpszSQL);
    const SQLRETURN rc = SQLExecDirect(
        hstmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.GetString())), SQL_NTS);
    if (rc != SQL_NO_DATA) AfxCheckSql(rc, SQL_HANDLE_STMT, hstmt);
}

bool CDatabase::IsConnectionDead() const {
    if (!IsOpen()) return true;
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc = SQLGetConnectAttr(m_hdbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    return (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) && dead == SQL_CD_TRUE;
}

CString CDatabase::PrepareSQLText(const char* lpszSQL) const {
    CString text(lpszSQL ? lpszSQL : "");
    if (m_dialect != DbDialect::PostgreSQL) return text;
    // Unquoted names fold to lower case, matching the lower-case schema;
    // literals and quoted identifiers are copied untouched ('' and "" escape).
    std::string out;
    out.reserve(text.str().size());
    char quote = 0;
    for (char ch : text.str()) {
        if (quote) {
            if (ch == quote) quote = 0;  // a doubled quote re-enters on the next char
        } else if (ch == '\'' || ch == '"') {
            quote = ch;
        } else if (ch == '[' || ch == ']') {
            continue;
        }
        out += ch;
    }
    return CString(std::move(out));
}
