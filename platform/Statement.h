// A prepared statement with positional parameters, for hosts that write rows
// (the sample fleet loader): prepare once, bind, execute many times.
#pragma once

#include <string>
#include <vector>

#include "platform/Database.h"

// One statement prepared on an open CDatabase. Parameters are numbered from 1
// as in ODBC; each Bind* copies the value, so the caller's buffers need not
// outlive the call. Every ODBC failure throws CDBException. Not copyable; the
// database must outlive the statement. One thread at a time.
class HWPLATFORM_API CStatement {
public:
    // Prepares lpszSQL in the connection's dialect (CDatabase::PrepareSQLText).
    // Drivers differ in when they reject a bad statement: here, or at the
    // first Execute.
    CStatement(CDatabase& database, const char* lpszSQL);
    ~CStatement();
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    // Number of '?' parameters the driver found in the statement.
    int GetParamCount() const { return static_cast<int>(m_params.size()); }

    void BindLong(int nParam, LONG value);
    void BindDouble(int nParam, double value);
    void BindText(int nParam, const char* value, size_t length);
    void BindText(int nParam, const std::string& value) {
        BindText(nParam, value.data(), value.size());
    }
    // Bytes for a binary column (BLOB, bytea, VARBINARY(MAX)).
    void BindBinary(int nParam, const std::string& bytes);
    // A NULL of the column's SQL type (SQL_VARCHAR, SQL_INTEGER, SQL_DOUBLE):
    // servers that type their parameters want the right one.
    void BindNull(int nParam, SQLSMALLINT nSqlType = SQL_VARCHAR);

    // Runs the statement with the values bound now; returns the rows it
    // changed as the driver counts them (-1 when it cannot tell).
    SQLLEN Execute();

    // For a statement that returns rows: runs it and leaves its result open
    // for Fetch (a result still open from before is closed first).
    void ExecuteQuery();
    // The next row of the open result; false at its end, when it is closed.
    bool Fetch();
    // Column nColumn (from 1) of the fetched row, read whole: as text, or as
    // bytes with bBinary. False for NULL (value emptied).
    bool GetString(int nColumn, std::string& value, bool bBinary = false);
    const CString& GetSQL() const { return m_strSQL; }

private:
    struct Param {
        SQLSMALLINT cType = 0;  // 0: never bound
        SQLSMALLINT sqlType = 0;
        SQLULEN columnSize = 0;
        const void* boundBuffer = nullptr;
        LONG longValue = 0;
        double doubleValue = 0.0;
        std::string text;
        SQLLEN indicator = 0;
    };
    Param& At(int nParam);
    // Binds p's storage again unless the driver already points at it with
    // the same types and a column size that holds the value.
    void Rebind(int nParam, Param& p, SQLSMALLINT cType, SQLSMALLINT sqlType, SQLULEN columnSize,
                void* buffer);

    std::unique_ptr<void, OdbcHandleFree> m_statement;
    SQLHSTMT m_hstmt = SQL_NULL_HSTMT;
    CString m_strSQL;
    bool m_bHasResult = false;
    bool m_bResultOpen = false;
    std::vector<Param> m_params;  // never resized after preparing: the driver keeps pointers
};
