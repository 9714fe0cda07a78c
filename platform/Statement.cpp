// CStatement over SQLPrepare / SQLBindParameter / SQLExecute.
#include "platform/Statement.h"

#include <algorithm>

namespace {

// Text parameters are declared at least this wide, so that most values fit
// the first binding and later rows reuse it.
const SQLULEN kMinTextColumnSize = 255;

}  // namespace

CStatement::CStatement(CDatabase& database, const char* lpszSQL)
    : m_statement(nullptr, OdbcHandleFree{SQL_HANDLE_STMT}) {
    if (!database.IsOpen())
        throw CDBException(SQL_ERROR, "The statement's database connection is not open",
                           CString("State:08003,Native:0,Origin:[hwplatform]"));
    AfxCheckSql(SQLAllocHandle(SQL_HANDLE_STMT, database.m_hdbc, &m_hstmt), SQL_HANDLE_DBC,
                database.m_hdbc);
    m_statement.reset(m_hstmt);
    m_strSQL = database.PrepareSQLText(lpszSQL);
    AfxCheckSql(
        SQLPrepare(m_hstmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(m_strSQL.GetString())),
                   SQL_NTS),
        SQL_HANDLE_STMT, m_hstmt);
    SQLSMALLINT count = 0;
    AfxCheckSql(SQLNumParams(m_hstmt, &count), SQL_HANDLE_STMT, m_hstmt);
    m_params.resize(static_cast<size_t>(count));
    SQLSMALLINT columns = 0;
    AfxCheckSql(SQLNumResultCols(m_hstmt, &columns), SQL_HANDLE_STMT, m_hstmt);
    m_bHasResult = columns > 0;
}

CStatement::~CStatement() = default;

CStatement::Param& CStatement::At(int nParam) {
    if (nParam < 1 || nParam > GetParamCount()) {
        CString message;
        message.Format("Parameter %d does not exist: the statement has %d", nParam,
                       GetParamCount());
        throw CDBException(SQL_ERROR, message, CString("State:07009,Native:0,Origin:[hwplatform]"));
    }
    return m_params[static_cast<size_t>(nParam - 1)];
}

void CStatement::Rebind(int nParam, Param& p, SQLSMALLINT cType, SQLSMALLINT sqlType,
                        SQLULEN columnSize, void* buffer) {
    if (p.cType == cType && p.sqlType == sqlType && p.boundBuffer == buffer &&
        columnSize <= p.columnSize)
        return;
    const SQLLEN bufferLength = cType == SQL_C_CHAR ? static_cast<SQLLEN>(p.text.size()) : 0;
    AfxCheckSql(SQLBindParameter(m_hstmt, static_cast<SQLUSMALLINT>(nParam), SQL_PARAM_INPUT, cType,
                                 sqlType, columnSize, 0, buffer, bufferLength, &p.indicator),
                SQL_HANDLE_STMT, m_hstmt);
    p.cType = cType;
    p.sqlType = sqlType;
    p.columnSize = columnSize;
    p.boundBuffer = buffer;
}

void CStatement::BindLong(int nParam, LONG value) {
    Param& p = At(nParam);
    p.longValue = value;
    p.indicator = 0;
    Rebind(nParam, p, SQL_C_SLONG, SQL_INTEGER, 10, &p.longValue);
}

void CStatement::BindDouble(int nParam, double value) {
    Param& p = At(nParam);
    p.doubleValue = value;
    p.indicator = 0;
    Rebind(nParam, p, SQL_C_DOUBLE, SQL_DOUBLE, 15, &p.doubleValue);
}

void CStatement::BindText(int nParam, const char* value, size_t length) {
    Param& p = At(nParam);
    p.text.assign(value ? value : "", value ? length : 0);
    p.indicator = static_cast<SQLLEN>(p.text.size());
    Rebind(nParam, p, SQL_C_CHAR, SQL_VARCHAR, std::max<SQLULEN>(kMinTextColumnSize, p.text.size()),
           &p.text[0]);
}

void CStatement::BindBinary(int nParam, const std::string& bytes) {
    Param& p = At(nParam);
    p.text = bytes;
    p.indicator = static_cast<SQLLEN>(p.text.size());
    // Binary buffers are bound with their length each time: the driver reads
    // exactly `indicator` bytes from the buffer, which may have moved.
    p.cType = 0;
    AfxCheckSql(SQLBindParameter(m_hstmt, static_cast<SQLUSMALLINT>(nParam), SQL_PARAM_INPUT,
                                 SQL_C_BINARY, SQL_LONGVARBINARY, std::max<SQLULEN>(1, p.text.size()),
                                 0, &p.text[0], p.indicator, &p.indicator),
                SQL_HANDLE_STMT, m_hstmt);
}

void CStatement::BindNull(int nParam, SQLSMALLINT nSqlType) {
    Param& p = At(nParam);
    p.indicator = SQL_NULL_DATA;
    // Keep an existing binding of the same SQL type: only the indicator changes.
    if (p.cType != 0 && p.sqlType == nSqlType) return;
    switch (nSqlType) {
        case SQL_INTEGER:
            Rebind(nParam, p, SQL_C_SLONG, SQL_INTEGER, 10, &p.longValue);
            break;
        case SQL_DOUBLE:
            Rebind(nParam, p, SQL_C_DOUBLE, SQL_DOUBLE, 15, &p.doubleValue);
            break;
        default:
            Rebind(nParam, p, SQL_C_CHAR, nSqlType, kMinTextColumnSize, &p.text[0]);
            break;
    }
}

void CStatement::ExecuteQuery() {
    if (m_bResultOpen) SQLFreeStmt(m_hstmt, SQL_CLOSE);
    m_bResultOpen = false;
    AfxCheckSql(SQLExecute(m_hstmt), SQL_HANDLE_STMT, m_hstmt);
    m_bResultOpen = true;
}

bool CStatement::Fetch() {
    if (!m_bResultOpen) return false;
    const SQLRETURN rc = SQLFetch(m_hstmt);
    if (rc == SQL_NO_DATA) {
        SQLFreeStmt(m_hstmt, SQL_CLOSE);
        m_bResultOpen = false;
        return false;
    }
    AfxCheckSql(rc, SQL_HANDLE_STMT, m_hstmt);
    return true;
}

bool CStatement::GetString(int nColumn, std::string& value, bool bBinary) {
    value.clear();
    const SQLSMALLINT cType = bBinary ? SQL_C_BINARY : SQL_C_CHAR;
    const size_t terminator = bBinary ? 0 : 1;
    char buffer[8192];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(m_hstmt, static_cast<SQLUSMALLINT>(nColumn), cType, buffer,
                                        sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA) return true;
        AfxCheckSql(rc, SQL_HANDLE_STMT, m_hstmt);
        if (indicator == SQL_NULL_DATA) return false;
        // A part: the buffer full (less the terminator), or what is left.
        const size_t room = sizeof buffer - terminator;
        const size_t got = indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) > room
                               ? room
                               : static_cast<size_t>(indicator);
        value.append(buffer, got);
        if (rc == SQL_SUCCESS) return true;
    }
}

SQLLEN CStatement::Execute() {
    const SQLRETURN rc = SQLExecute(m_hstmt);
    SQLLEN rows = 0;  // SQL_NO_DATA: an UPDATE or DELETE that matched nothing
    if (rc != SQL_NO_DATA) {
        AfxCheckSql(rc, SQL_HANDLE_STMT, m_hstmt);
        AfxCheckSql(SQLRowCount(m_hstmt, &rows), SQL_HANDLE_STMT, m_hstmt);
    }
    // An open result would make the next SQLExecute fail with 24000.
    if (m_bHasResult) SQLFreeStmt(m_hstmt, SQL_CLOSE);
    return rows;
}
