// The class library's ODBC classes over unixODBC: CDatabase, CRecordset,
// record field exchange (RFX_*), bulk field exchange (RFX_*_Bulk) and
// CDBException. Both cursor kinds map to a forward-only, read-only cursor:
// the report only moves forward.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <ctime>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/CString.h"
#include "platform/Export.h"

// The class library's 32-bit "long": ODBC's SQLINTEGER on every platform.
typedef SQLINTEGER LONG;

// Row-fetch error raised when a multi-row fetch reports an error in a row.
#define AFX_SQL_ERROR_ROW_FETCH 1022
// Error codes of our own that are not ODBC return codes.
#define AFX_SQL_ERROR_CONNECT_FAIL 1007
#define AFX_SQL_ERROR_RECORDSET_FORWARD_ONLY 1015
// Open type meaning "the recordset's m_nDefaultType".
#define AFX_DB_USE_DEFAULT_TYPE 0xFFFFFFFFu

// A database failure: the ODBC return code, the drivers' messages and one
// "State:XXXXX,Native:N,Origin:[...]" line per diagnostic record, so that a
// search for "State:01004" finds a truncation warning.
class HWPLATFORM_API CDBException : public std::exception {
public:
    CDBException(SQLRETURN nRetCode, CString strError, CString strStateNativeOrigin);
    // Reads every diagnostic record of `handle` once and builds the exception.
    static CDBException FromHandle(SQLRETURN nRetCode, SQLSMALLINT handleType, SQLHANDLE handle);

    const char* what() const noexcept override { return m_strWhat.GetString(); }
    // The SQLSTATE of the first diagnostic record, or empty.
    CString GetSqlState() const;

    SQLRETURN m_nRetCode;
    CString m_strError;              // the messages, one per line
    CString m_strStateNativeOrigin;  // one "State:..." entry per record

private:
    CString m_strWhat;  // "SQLSTATE 42S02: [SQLite]no such table: ..."
};

// Frees one ODBC handle of the given type (a connection is disconnected
// first). The deleter of every handle owner; never throws.
struct HWPLATFORM_API OdbcHandleFree {
    SQLSMALLINT type;
    void operator()(void* handle) const noexcept;
};

// Throws CDBException built from `handle`'s diagnostics unless `rc` succeeded.
HWPLATFORM_API void AfxCheckSql(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle);

// Minimal calendar time value used by RFX_Date and date query columns.
class HWPLATFORM_API CTime {
public:
    CTime() = default;
    explicit CTime(time_t t) : m_time(t) {}
    // Local time; nDST -1 leaves daylight saving to the system.
    CTime(int year, int month, int day, int hour, int minute, int second, int nDST = -1);
    time_t GetTime() const { return m_time; }
    friend bool operator==(CTime a, CTime b) { return a.m_time == b.m_time; }

private:
    time_t m_time = 0;
};

enum class DbDialect { Generic, SQLite, PostgreSQL, SQLServer };

// One open ODBC connection. Not copyable; closes itself on destruction.
class HWPLATFORM_API CDatabase {
public:
    enum DbOpenOptions {
        openExclusive = 0x1,
        openReadOnly = 0x2,
        useCursorLib = 0x4,
        noOdbcDialog = 0x8,
        forceOdbcDialog = 0x10
    };

    CDatabase();
    virtual ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // Connects with an ODBC connection string through SQLDriverConnect; a
    // leading "ODBC;" is accepted and dropped. Throws CDBException on failure.
    virtual bool OpenEx(const char* lpszConnectString, uint32_t dwOptions = noOdbcDialog);
    virtual void Close();
    bool IsOpen() const { return m_hdbc != SQL_NULL_HDBC; }

    // What the driver answered for SQL_DBMS_NAME, and the dialect it implies.
    const CString& GetDBMSName() const { return m_strDBMSName; }
    DbDialect GetDialect() const { return m_dialect; }
    const CString& GetConnect() const { return m_strConnect; }

    // Runs one statement without a result (session set-up by hosts).
    void ExecuteSQL(const char* lpszSQL);

    // True when the driver says the connection to the server is lost
    // (SQL_ATTR_CONNECTION_DEAD) or nothing is open; false when the driver
    // cannot tell.
    bool IsConnectionDead() const;

    // The statement text as this connection's dialect needs it: PostgreSQL
    // gets bracketed names without their brackets (outside string literals);
    // the others keep them as written.
    CString PrepareSQLText(const char* lpszSQL) const;

    // Prepared statements that closed recordsets gave back, so that the next
    // recordset with the same SQL text skips allocating and preparing (a
    // report opens the same parameterised statements for every PC).
    // TakeStatement hands one over to the caller, or SQL_NULL_HSTMT;
    // GiveBackStatement takes ownership of a statement that is closed,
    // unbound and prepared for `strSQL`, and frees the least recently used
    // beyond kMaxCachedStatements. Close frees them all. One thread at a
    // time, like the connection itself.
    static constexpr size_t kMaxCachedStatements = 32;
    SQLHSTMT TakeStatement(const CString& strSQL);
    void GiveBackStatement(const CString& strSQL, SQLHSTMT hstmt);
    // Statements whose text carries its values (met again only for the same
    // values) are kept as spares instead, closed and unbound, to be prepared
    // for the next such text: allocating and freeing a statement takes the
    // driver manager's process-wide lock, which every connection's threads
    // share. TakeSpareStatement gives one, or SQL_NULL_HSTMT.
    static constexpr size_t kMaxSpareStatements = 4;
    SQLHSTMT TakeSpareStatement();
    void GiveBackSpareStatement(SQLHSTMT hstmt);

    SQLHDBC m_hdbc = SQL_NULL_HDBC;
    // What the platform keeps for this session (a read-only SQLite session's
    // authorizer state); released after the connection closes.
    std::shared_ptr<void> m_pSessionGuard;

private:
    struct CachedStatement {
        CString strSQL;
        std::unique_ptr<void, OdbcHandleFree> handle;
    };

    std::shared_ptr<void> m_env;  // the process-wide environment, kept alive while connected
    std::unique_ptr<void, OdbcHandleFree> m_connection;  // owns m_hdbc
    std::vector<CachedStatement> m_statementCache;       // least recently used first
    std::vector<std::unique_ptr<void, OdbcHandleFree>> m_spareStatements;
    CString m_strConnect;
    CString m_strDBMSName;
    DbDialect m_dialect = DbDialect::Generic;
};

class CRecordset;

// What the driver says about one result column (SQLDescribeCol).
struct CODBCFieldInfo {
    CString m_strName;
    SQLSMALLINT m_nSQLType = SQL_UNKNOWN_TYPE;
    SQLULEN m_nPrecision = 0;
    SQLSMALLINT m_nScale = 0;
    SQLSMALLINT m_nNullability = SQL_NULLABLE_UNKNOWN;
};

// Drives DoFieldExchange / DoBulkFieldExchange through one operation at a
// time; the RFX functions look at m_nOperation and the current field type.
class HWPLATFORM_API CFieldExchange {
public:
    enum RFX_Operation {
        Name,                  // collect output column names for the SELECT list
        BindParam,             // bind the current parameter values (SQLBindParameter)
        BindFieldToColumn,     // bind output columns (SQLBindCol)
        Fixup,                 // copy a fetched row from the bindings into the members
        AllocMultiRowBuffer,   // bulk: allocate per-column rowset buffers
        DeleteMultiRowBuffer,  // bulk: free them
    };
    enum FieldType { noFieldType = -1, outputColumn = 0, param = 1 };

    CFieldExchange(RFX_Operation op, CRecordset* prs) : m_nOperation(op), m_prs(prs) {}
    void SetFieldType(int nFieldType) { m_nFieldType = nFieldType; }
    int GetFieldType() const { return m_nFieldType; }

    RFX_Operation m_nOperation;
    CRecordset* m_prs;
    int m_nFieldType = noFieldType;
    SQLUSMALLINT m_nColumn = 0;  // 1-based index of the next output column
    SQLUSMALLINT m_nParam = 0;   // 1-based index of the next parameter
};

// Single-row field exchange. Members are the row's values; NULL reads as 0,
// 0.0, empty text (a date keeps its value). Text longer than nMaxLength
// arrives cut on a character boundary.
HWPLATFORM_API void RFX_Long(CFieldExchange* pFX, const char* szName, LONG& value);
HWPLATFORM_API void RFX_Text(CFieldExchange* pFX, const char* szName, CString& value,
                             int nMaxLength = 255, int nColumnType = SQL_VARCHAR);
HWPLATFORM_API void RFX_Double(CFieldExchange* pFX, const char* szName, double& value);
HWPLATFORM_API void RFX_Date(CFieldExchange* pFX, const char* szName, CTime& value);

// Bulk field exchange: column-wise rowset buffers of GetRowsetSize() rows,
// allocated by AllocMultiRowBuffer and freed by DeleteMultiRowBuffer when the
// pointers are null / non-null. prgLengths receives the per-row length or
// SQL_NULL_DATA. Text buffers hold nMaxLength bytes per row, terminator included.
HWPLATFORM_API void RFX_Long_Bulk(CFieldExchange* pFX, const char* szName, LONG** prgLongVals,
                                  SQLLEN** prgLengths);
HWPLATFORM_API void RFX_Text_Bulk(CFieldExchange* pFX, const char* szName, char** prgStrVals,
                                  SQLLEN** prgLengths, int nMaxLength);
HWPLATFORM_API void RFX_Double_Bulk(CFieldExchange* pFX, const char* szName, double** prgDblVals,
                                    SQLLEN** prgLengths);
HWPLATFORM_API void RFX_Date_Bulk(CFieldExchange* pFX, const char* szName,
                                  TIMESTAMP_STRUCT** prgTSVals, SQLLEN** prgLengths);

// The class library's recordset: a prepared statement over one table or one
// SELECT, fetched forward only. Not copyable; closes itself on destruction.
class HWPLATFORM_API CRecordset {
public:
    enum OpenType { dynaset = 0, snapshot = 1, dynamic = 2, forwardOnly = 3 };
    enum OpenOptions {
        none = 0x0,
        readOnly = 0x0004,
        appendOnly = 0x0008,
        skipDeletedRecords = 0x0010,
        noDirtyFieldCheck = 0x0020,
        useBookmarks = 0x0100,
        useMultiRowFetch = 0x0200,
        userAllocMultiRowBuffers = 0x0400,
        executeDirect = 0x2000
    };

    // pDatabase may be null: Open then connects with GetDefaultConnect() and
    // closes that private connection again in Close().
    explicit CRecordset(CDatabase* pDatabase = nullptr);
    // Closes the recordset. A derived class whose DoBulkFieldExchange owns
    // buffers closes in its own destructor: here that override is gone.
    virtual ~CRecordset();
    CRecordset(const CRecordset&) = delete;
    CRecordset& operator=(const CRecordset&) = delete;

    // lpszSQL null: GetDefaultSQL(). A table name (anything not starting with
    // SELECT) becomes "SELECT <bound columns> FROM <table>[ WHERE m_strFilter]
    // [ ORDER BY m_strSort]". Prepares, binds parameters from the members,
    // executes and fetches the first row (or rowset). Throws CDBException.
    virtual bool Open(unsigned nOpenType = AFX_DB_USE_DEFAULT_TYPE, const char* lpszSQL = nullptr,
                      uint32_t dwOptions = none);
    virtual void Close();
    bool IsOpen() const { return m_hstmt != SQL_NULL_HSTMT; }
    bool IsEOF() const { return m_bEOF; }
    bool IsBOF() const { return m_bBOF; }

    // Only forward moves exist: Move(1, SQL_FETCH_NEXT) and MoveNext fetch the
    // next row or rowset; anything else throws CDBException.
    virtual void Move(long nRows, SQLUSMALLINT wFetchType = SQL_FETCH_RELATIVE);
    void MoveNext() { Move(1, SQL_FETCH_NEXT); }

    virtual CString GetDefaultSQL() { return CString(); }
    virtual CString GetDefaultConnect() { return CString("ODBC;"); }
    virtual void DoFieldExchange(CFieldExchange* /*pFX*/) {}
    virtual void DoBulkFieldExchange(CFieldExchange* /*pFX*/) {}
    // Called after every multi-row fetch with its return code; the default
    // throws on failure and ignores warnings.
    virtual void CheckRowsetError(SQLRETURN nRetCode);

    void SetRowsetSize(uint32_t dwNewRowsetSize) {
        m_dwRowsetSize = dwNewRowsetSize ? dwNewRowsetSize : 1;
    }
    uint32_t GetRowsetSize() const { return m_dwRowsetSize; }
    uint32_t GetRowsFetched() const { return static_cast<uint32_t>(m_nRowsFetched); }
    // Number of result columns the driver reports for the prepared statement.
    short GetODBCFieldCount() const { return m_nResultCols; }
    // Name and type of result column nIndex (0-based) of the open statement.
    // Throws CDBException.
    void GetODBCFieldInfo(short nIndex, CODBCFieldInfo& fieldinfo);
    const CString& GetSQL() const { return m_strSQL; }
    CDatabase* GetDatabase() const { return m_pDatabase; }

    unsigned m_nFields = 0;  // output columns the field exchange bound; set by Open
    unsigned m_nParams = 0;  // parameters the derived class binds (its own count)
    // The most rows the driver is asked to deliver (SQL_ATTR_MAX_ROWS); 0: all.
    // Set before Open.
    SQLULEN m_nMaxRows = 0;
    CString m_strFilter;
    CString m_strSort;
    unsigned m_nDefaultType = snapshot;
    CDatabase* m_pDatabase;
    SQLHSTMT m_hstmt = SQL_NULL_HSTMT;

protected:
    // Throws CDBException from this statement's diagnostics unless rc succeeded.
    void ThrowIfFailed(SQLRETURN rc);

private:
    friend struct RfxAccess;
    struct Binding;  // owned storage behind one bound column or parameter
    void BuildSelect(const char* lpszSQL);
    void FetchSingle();
    void FetchRowset();

    struct BulkText;  // a bulk text column whose cut rows get a clean UTF-8 tail
    // Runs one field-exchange operation; returns the output columns it visited.
    unsigned RunFieldExchange(CFieldExchange::RFX_Operation op, bool bulk);
    void RepairBulkText();
    // Closes the cursor and drops every binding, so that the statement can
    // serve another recordset; false when the driver refuses.
    bool ResetForReuse();

    // owns m_hstmt; the deleter must know the handle's type, or the driver
    // manager refuses to free it and the statement lives until disconnection
    std::unique_ptr<void, OdbcHandleFree> m_statement{nullptr, OdbcHandleFree{SQL_HANDLE_STMT}};
    std::unique_ptr<CDatabase> m_pOwnDatabase;  // the default-connect connection
    std::vector<std::unique_ptr<Binding>> m_columns;
    std::vector<std::unique_ptr<Binding>> m_params;
    CString m_strSQL;
    CString m_strColumnList;
    uint32_t m_dwOptions = none;
    uint32_t m_dwRowsetSize = 1;
    SQLULEN m_nRowsFetched = 0;
    std::vector<SQLUSMALLINT> m_rowStatus;
    short m_nResultCols = 0;
    bool m_bEOF = true;
    bool m_bBOF = true;
    bool m_bBulk = false;
    bool m_bBulkBuffers = false;  // AllocMultiRowBuffer ran; DeleteMultiRowBuffer is due
    // The statement opened cleanly: Close gives it back to the database, for
    // the next recordset with the same SQL when it binds parameters, else as
    // a spare (a statement without parameters carries its values in its text
    // and is rarely met again).
    bool m_bReusable = false;
    std::vector<BulkText> m_bulkText;
};
