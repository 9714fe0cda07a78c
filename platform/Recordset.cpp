// CRecordset, CFieldExchange and the RFX_* / RFX_*_Bulk functions.
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/Database.h"
#include "platform/SessionSetup.h"

// Storage behind one single-row column or parameter. Its buffer is owned by the
// recordset, so a parameter never points at a member that might change.
struct CRecordset::Binding {
    std::vector<char> buffer;
    SQLLEN indicator = 0;
};

struct CRecordset::BulkText {
    char* rows;
    SQLLEN* lengths;
    size_t width;  // bytes per row, terminator included
};

namespace {

// The length of `text[0, length)` without a trailing, incomplete UTF-8
// sequence, so a cut value never ends in a broken character.
size_t Utf8CutLength(const char* text, size_t length) {
    size_t lead = length;
    size_t continuation = 0;
    while (lead > 0 && continuation < 4 &&
           (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80) {
        --lead;
        ++continuation;
    }
    if (lead == 0) return length;  // not UTF-8: leave as delivered
    const unsigned char first = static_cast<unsigned char>(text[lead - 1]);
    size_t needed = 1;
    if ((first & 0xE0) == 0xC0)
        needed = 2;
    else if ((first & 0xF0) == 0xE0)
        needed = 3;
    else if ((first & 0xF8) == 0xF0)
        needed = 4;
    if (needed > 1 && continuation + 1 < needed) return lead - 1;
    return length;
}

CDBException UsageError(const char* message) {
    return CDBException(SQL_ERROR, message, CString());
}

TIMESTAMP_STRUCT ToTimestamp(const CTime& value) {
    const time_t t = value.GetTime();
    std::tm tm = {};
    localtime_r(&t, &tm);
    TIMESTAMP_STRUCT ts = {};
    ts.year = static_cast<SQLSMALLINT>(tm.tm_year + 1900);
    ts.month = static_cast<SQLUSMALLINT>(tm.tm_mon + 1);
    ts.day = static_cast<SQLUSMALLINT>(tm.tm_mday);
    ts.hour = static_cast<SQLUSMALLINT>(tm.tm_hour);
    ts.minute = static_cast<SQLUSMALLINT>(tm.tm_min);
    ts.second = static_cast<SQLUSMALLINT>(tm.tm_sec);
    return ts;
}

bool StartsWithWord(const std::string& text, const char* word) {
    size_t pos = text.find_first_not_of(" \t\r\n");
    if (pos == std::string::npos) return false;
    const size_t length = std::strlen(word);
    if (text.size() - pos < length || strncasecmp(text.c_str() + pos, word, length) != 0)
        return false;
    return text.size() == pos + length ||
           std::isspace(static_cast<unsigned char>(text[pos + length]));
}

}  // namespace

// The RFX functions' way into the recordset's bindings.
struct RfxAccess {
    static void AddName(CRecordset* rs, const char* szName) {
        if (!rs->m_strColumnList.IsEmpty()) rs->m_strColumnList += ',';
        rs->m_strColumnList += szName;
    }

    static CRecordset::Binding& NewColumn(CRecordset* rs, size_t bytes) {
        rs->m_columns.push_back(std::make_unique<CRecordset::Binding>());
        rs->m_columns.back()->buffer.assign(bytes, '\0');
        return *rs->m_columns.back();
    }

    static CRecordset::Binding& Column(CRecordset* rs, SQLUSMALLINT column) {
        if (column == 0 || column > rs->m_columns.size())
            throw UsageError("Field exchange found more columns than were bound");
        return *rs->m_columns[column - 1];
    }

    static CRecordset::Binding& NewParam(CRecordset* rs) {
        rs->m_params.push_back(std::make_unique<CRecordset::Binding>());
        return *rs->m_params.back();
    }

    static void AddBulkText(CRecordset* rs, char* rows, SQLLEN* lengths, size_t width) {
        rs->m_bulkText.push_back(CRecordset::BulkText{rows, lengths, width});
    }

    // One single-row column or parameter. `store` fills a parameter's buffer
    // from the member; `load` copies a fetched column into the member.
    template <typename Store, typename Load>
    static void Exchange(CFieldExchange* pFX, const char* szName, SQLSMALLINT cType,
                         SQLSMALLINT sqlType, size_t columnBytes, Store store, Load load) {
        CRecordset* rs = pFX->m_prs;
        const bool output = pFX->GetFieldType() == CFieldExchange::outputColumn;
        const bool param = pFX->GetFieldType() == CFieldExchange::param;
        switch (pFX->m_nOperation) {
            case CFieldExchange::Name:
                if (output) {
                    ++pFX->m_nColumn;
                    AddName(rs, szName);
                }
                break;
            case CFieldExchange::BindParam:
                if (param) {
                    ++pFX->m_nParam;
                    CRecordset::Binding& binding = NewParam(rs);
                    SQLULEN columnSize = 0;
                    store(binding, columnSize);
                    rs->ThrowIfFailed(SQLBindParameter(
                        rs->m_hstmt, pFX->m_nParam, SQL_PARAM_INPUT, cType, sqlType, columnSize, 0,
                        binding.buffer.data(), static_cast<SQLLEN>(binding.buffer.size()),
                        &binding.indicator));
                }
                break;
            case CFieldExchange::BindFieldToColumn:
                if (output) {
                    ++pFX->m_nColumn;
                    CRecordset::Binding& binding = NewColumn(rs, columnBytes);
                    rs->ThrowIfFailed(
                        SQLBindCol(rs->m_hstmt, pFX->m_nColumn, cType, binding.buffer.data(),
                                   static_cast<SQLLEN>(binding.buffer.size()), &binding.indicator));
                }
                break;
            case CFieldExchange::Fixup:
                if (output) load(Column(rs, ++pFX->m_nColumn));
                break;
            case CFieldExchange::AllocMultiRowBuffer:
            case CFieldExchange::DeleteMultiRowBuffer:
                break;
        }
    }

    // One bulk column: buffers of GetRowsetSize() rows of `rowBytes` each,
    // allocated with calloc so that any RFX_*_Bulk can free them.
    template <typename T>
    static void ExchangeBulk(CFieldExchange* pFX, const char* szName, T** values, SQLLEN** lengths,
                             size_t rowBytes, SQLSMALLINT cType, bool text) {
        CRecordset* rs = pFX->m_prs;
        if (pFX->GetFieldType() != CFieldExchange::outputColumn) return;
        const size_t rows = rs->GetRowsetSize();
        switch (pFX->m_nOperation) {
            case CFieldExchange::Name:
                ++pFX->m_nColumn;
                AddName(rs, szName);
                break;
            case CFieldExchange::AllocMultiRowBuffer:
                if (*values == nullptr) *values = static_cast<T*>(std::calloc(rows, rowBytes));
                if (*lengths == nullptr)
                    *lengths = static_cast<SQLLEN*>(std::calloc(rows, sizeof(SQLLEN)));
                if (*values == nullptr || *lengths == nullptr)
                    throw UsageError("Out of memory for the rowset buffers");
                break;
            case CFieldExchange::BindFieldToColumn:
                ++pFX->m_nColumn;
                if (*values == nullptr || *lengths == nullptr)
                    throw UsageError("A bulk column was bound without its rowset buffers");
                rs->ThrowIfFailed(SQLBindCol(rs->m_hstmt, pFX->m_nColumn, cType, *values,
                                             static_cast<SQLLEN>(rowBytes), *lengths));
                if (text) AddBulkText(rs, reinterpret_cast<char*>(*values), *lengths, rowBytes);
                break;
            case CFieldExchange::DeleteMultiRowBuffer:
                std::free(*values);
                *values = nullptr;
                std::free(*lengths);
                *lengths = nullptr;
                break;
            case CFieldExchange::BindParam:
            case CFieldExchange::Fixup:
                break;
        }
    }
};

// ---------------------------------------------------------------------------
// Single-row field exchange

void RFX_Long(CFieldExchange* pFX, const char* szName, LONG& value) {
    RfxAccess::Exchange(
        pFX, szName, SQL_C_SLONG, SQL_INTEGER, sizeof(LONG),
        [&value](auto& b, SQLULEN& size) {
            b.buffer.assign(sizeof(LONG), '\0');
            std::memcpy(b.buffer.data(), &value, sizeof(LONG));
            size = 10;
        },
        [&value](const auto& b) {
            if (b.indicator == SQL_NULL_DATA)
                value = 0;
            else
                std::memcpy(&value, b.buffer.data(), sizeof(LONG));
        });
}

void RFX_Text(CFieldExchange* pFX, const char* szName, CString& value, int nMaxLength,
              int nColumnType) {
    if (nMaxLength < 1) nMaxLength = 1;
    const size_t capacity = static_cast<size_t>(nMaxLength);
    RfxAccess::Exchange(
        pFX, szName, SQL_C_CHAR, static_cast<SQLSMALLINT>(nColumnType), capacity + 1,
        [&value, capacity](auto& b, SQLULEN& size) {
            const std::string& text = value.str();
            b.buffer.assign(text.begin(), text.end());
            b.buffer.push_back('\0');
            b.indicator = static_cast<SQLLEN>(text.size());
            size = std::max<SQLULEN>({text.size(), capacity, 1});
        },
        [&value, capacity](const auto& b) {
            if (b.indicator == SQL_NULL_DATA) {
                value.Empty();
                return;
            }
            const char* data = b.buffer.data();
            size_t length;
            if (b.indicator == SQL_NO_TOTAL || b.indicator > static_cast<SQLLEN>(capacity))
                length = Utf8CutLength(data, strnlen(data, capacity));
            else
                length = static_cast<size_t>(b.indicator);
            value = CString(data, length);
        });
}

void RFX_Double(CFieldExchange* pFX, const char* szName, double& value) {
    RfxAccess::Exchange(
        pFX, szName, SQL_C_DOUBLE, SQL_DOUBLE, sizeof(double),
        [&value](auto& b, SQLULEN& size) {
            b.buffer.assign(sizeof(double), '\0');
            std::memcpy(b.buffer.data(), &value, sizeof(double));
            size = 15;
        },
        [&value](const auto& b) {
            if (b.indicator == SQL_NULL_DATA)
                value = 0.0;
            else
                std::memcpy(&value, b.buffer.data(), sizeof(double));
        });
}

void RFX_Date(CFieldExchange* pFX, const char* szName, CTime& value) {
    RfxAccess::Exchange(
        pFX, szName, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, sizeof(TIMESTAMP_STRUCT),
        [&value](auto& b, SQLULEN& size) {
            const TIMESTAMP_STRUCT ts = ToTimestamp(value);
            b.buffer.assign(sizeof ts, '\0');
            std::memcpy(b.buffer.data(), &ts, sizeof ts);
            size = 19;
        },
        [&value](const auto& b) {
            if (b.indicator == SQL_NULL_DATA) return;  // a date keeps its value
            TIMESTAMP_STRUCT ts;
            std::memcpy(&ts, b.buffer.data(), sizeof ts);
            value = CTime(ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second);
        });
}

// ---------------------------------------------------------------------------
// Bulk field exchange

void RFX_Long_Bulk(CFieldExchange* pFX, const char* szName, LONG** prgLongVals,
                   SQLLEN** prgLengths) {
    RfxAccess::ExchangeBulk(pFX, szName, prgLongVals, prgLengths, sizeof(LONG), SQL_C_SLONG, false);
}

void RFX_Text_Bulk(CFieldExchange* pFX, const char* szName, char** prgStrVals, SQLLEN** prgLengths,
                   int nMaxLength) {
    const size_t width = static_cast<size_t>(nMaxLength < 2 ? 2 : nMaxLength);
    RfxAccess::ExchangeBulk(pFX, szName, prgStrVals, prgLengths, width, SQL_C_CHAR, true);
}

void RFX_Double_Bulk(CFieldExchange* pFX, const char* szName, double** prgDblVals,
                     SQLLEN** prgLengths) {
    RfxAccess::ExchangeBulk(pFX, szName, prgDblVals, prgLengths, sizeof(double), SQL_C_DOUBLE,
                            false);
}

void RFX_Date_Bulk(CFieldExchange* pFX, const char* szName, TIMESTAMP_STRUCT** prgTSVals,
                   SQLLEN** prgLengths) {
    RfxAccess::ExchangeBulk(pFX, szName, prgTSVals, prgLengths, sizeof(TIMESTAMP_STRUCT),
                            SQL_C_TYPE_TIMESTAMP, false);
}

// ---------------------------------------------------------------------------
// CRecordset

CRecordset::CRecordset(CDatabase* pDatabase) : m_pDatabase(pDatabase) {}

CRecordset::~CRecordset() {
    try {
        Close();
    } catch (...) {
        // A destructor must not throw; the handles are freed regardless.
    }
}

void CRecordset::ThrowIfFailed(SQLRETURN rc) {
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) return;
    m_bReusable = false;  // a statement that failed once is not handed on
    AfxCheckSql(rc, SQL_HANDLE_STMT, m_hstmt);
}

void CRecordset::CheckRowsetError(SQLRETURN nRetCode) {
    ThrowIfFailed(nRetCode);
}

unsigned CRecordset::RunFieldExchange(CFieldExchange::RFX_Operation op, bool bulk) {
    CFieldExchange fx(op, this);
    fx.SetFieldType(CFieldExchange::outputColumn);
    if (bulk)
        DoBulkFieldExchange(&fx);
    else
        DoFieldExchange(&fx);
    return fx.m_nColumn;
}

void CRecordset::BuildSelect(const char* lpszSQL) {
    const CString sql = (lpszSQL && *lpszSQL) ? CString(lpszSQL) : GetDefaultSQL();
    if (sql.IsEmpty()) throw UsageError("The recordset has no SQL statement and no default table");
    if (StartsWithWord(sql.str(), "SELECT") || StartsWithWord(sql.str(), "WITH") ||
        sql.str().find_first_not_of(" \t\r\n") == sql.str().find('{')) {
        m_strSQL = sql;
        return;
    }
    m_strColumnList.Empty();
    RunFieldExchange(CFieldExchange::Name, m_bBulk);
    m_strSQL = "SELECT ";
    m_strSQL += m_strColumnList.IsEmpty() ? CString("*") : m_strColumnList;
    m_strSQL += " FROM ";
    m_strSQL += sql;
    if (!m_strFilter.IsEmpty()) m_strSQL += " WHERE " + m_strFilter;
    if (!m_strSort.IsEmpty()) m_strSQL += " ORDER BY " + m_strSort;
}

bool CRecordset::Open(unsigned /*nOpenType: every type is forward-only, read-only*/,
                      const char* lpszSQL, uint32_t dwOptions) {
    Close();
    try {
        if (m_pDatabase == nullptr) {
            m_pOwnDatabase = std::make_unique<CDatabase>();
            m_pDatabase = m_pOwnDatabase.get();
            const CString connect = GetDefaultConnect();
            m_pDatabase->OpenEx(connect);
            PrepareDboSession(*m_pDatabase, connect);
        }
        if (!m_pDatabase->IsOpen())
            throw CDBException(AFX_SQL_ERROR_CONNECT_FAIL, "The recordset's database is not open",
                               CString());
        m_dwOptions = dwOptions;
        m_bBulk = (dwOptions & useMultiRowFetch) != 0;
        BuildSelect(lpszSQL);

        // A statement an earlier recordset prepared for this text, a spare to
        // prepare again, or a new one.
        SQLHSTMT hstmt = m_pDatabase->TakeStatement(m_strSQL);
        const bool bPrepared = hstmt != SQL_NULL_HSTMT;
        if (!bPrepared) hstmt = m_pDatabase->TakeSpareStatement();
        const bool bUsed = hstmt != SQL_NULL_HSTMT;
        if (!bUsed)
            AfxCheckSql(SQLAllocHandle(SQL_HANDLE_STMT, m_pDatabase->m_hdbc, &hstmt),
                        SQL_HANDLE_DBC, m_pDatabase->m_hdbc);
        m_statement.reset(hstmt);
        m_hstmt = hstmt;
        if (!bUsed) {
            ThrowIfFailed(SQLSetStmtAttr(m_hstmt, SQL_ATTR_CURSOR_TYPE,
                                         reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0));
            ThrowIfFailed(SQLSetStmtAttr(m_hstmt, SQL_ATTR_CONCURRENCY,
                                         reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY), 0));
        }
        ThrowIfFailed(SQLSetStmtAttr(m_hstmt, SQL_ATTR_ROWS_FETCHED_PTR, &m_nRowsFetched, 0));
        if (m_nMaxRows != 0 || bUsed)  // a reused statement may carry another's limit
            ThrowIfFailed(SQLSetStmtAttr(m_hstmt, SQL_ATTR_MAX_ROWS,
                                         reinterpret_cast<SQLPOINTER>(m_nMaxRows), 0));
        if (m_bBulk) {
            m_rowStatus.assign(m_dwRowsetSize, 0);
            ThrowIfFailed(SQLSetStmtAttr(m_hstmt, SQL_ATTR_ROW_BIND_TYPE,
                                         reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0));
            ThrowIfFailed(SQLSetStmtAttr(m_hstmt, SQL_ATTR_ROW_ARRAY_SIZE,
                                         reinterpret_cast<SQLPOINTER>(SQLULEN{m_dwRowsetSize}), 0));
            ThrowIfFailed(SQLSetStmtAttr(m_hstmt, SQL_ATTR_ROW_STATUS_PTR, m_rowStatus.data(), 0));
        }
        if (!bPrepared) {
            CString text = m_pDatabase->PrepareSQLText(m_strSQL);
            ThrowIfFailed(SQLPrepare(
                m_hstmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.GetString())), SQL_NTS));
        }
        RunFieldExchange(CFieldExchange::BindParam, m_bBulk);
        const SQLRETURN rc = SQLExecute(m_hstmt);
        if (rc != SQL_NO_DATA) ThrowIfFailed(rc);
        SQLSMALLINT columns = 0;
        ThrowIfFailed(SQLNumResultCols(m_hstmt, &columns));
        m_nResultCols = columns;

        if (m_bBulk) {
            m_bBulkBuffers = true;
            RunFieldExchange(CFieldExchange::AllocMultiRowBuffer, true);
            m_nFields = RunFieldExchange(CFieldExchange::BindFieldToColumn, true);
            FetchRowset();
        } else {
            m_nFields = RunFieldExchange(CFieldExchange::BindFieldToColumn, false);
            FetchSingle();
        }
        m_bBOF = m_bEOF;
        m_bReusable = true;
    } catch (...) {
        Close();
        throw;
    }
    return true;
}

void CRecordset::GetODBCFieldInfo(short nIndex, CODBCFieldInfo& fieldinfo) {
    if (!IsOpen()) throw UsageError("GetODBCFieldInfo on a recordset that is not open");
    if (nIndex < 0 || nIndex >= m_nResultCols)
        throw UsageError("GetODBCFieldInfo: no such result column");
    std::string name(256, '\0');
    SQLSMALLINT nameLength = 0;
    ThrowIfFailed(SQLDescribeCol(
        m_hstmt, static_cast<SQLUSMALLINT>(nIndex + 1), reinterpret_cast<SQLCHAR*>(&name[0]),
        static_cast<SQLSMALLINT>(name.size()), &nameLength, &fieldinfo.m_nSQLType,
        &fieldinfo.m_nPrecision, &fieldinfo.m_nScale, &fieldinfo.m_nNullability));
    if (nameLength >= static_cast<SQLSMALLINT>(name.size())) {  // a longer name: ask again
        name.assign(static_cast<size_t>(nameLength) + 1, '\0');
        ThrowIfFailed(SQLDescribeCol(
            m_hstmt, static_cast<SQLUSMALLINT>(nIndex + 1), reinterpret_cast<SQLCHAR*>(&name[0]),
            static_cast<SQLSMALLINT>(name.size()), &nameLength, &fieldinfo.m_nSQLType,
            &fieldinfo.m_nPrecision, &fieldinfo.m_nScale, &fieldinfo.m_nNullability));
    }
    name.resize(std::strlen(name.c_str()));
    fieldinfo.m_strName = name;
}

bool CRecordset::ResetForReuse() {
    auto ok = [](SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; };
    if (!ok(SQLFreeStmt(m_hstmt, SQL_CLOSE)) || !ok(SQLFreeStmt(m_hstmt, SQL_UNBIND)) ||
        !ok(SQLFreeStmt(m_hstmt, SQL_RESET_PARAMS)) ||
        !ok(SQLSetStmtAttr(m_hstmt, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0)))
        return false;
    if (m_bBulk)
        return ok(SQLSetStmtAttr(m_hstmt, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0)) &&
               ok(SQLSetStmtAttr(m_hstmt, SQL_ATTR_ROW_ARRAY_SIZE,
                                 reinterpret_cast<SQLPOINTER>(SQLULEN{1}), 0));
    return true;
}

void CRecordset::Close() {
    // The statement goes first: its bindings point into the buffers below.
    // Unbound, it can serve the next recordset of the same text, or as a spare.
    if (m_bReusable && m_hstmt != SQL_NULL_HSTMT && !m_pOwnDatabase && m_pDatabase &&
        m_pDatabase->IsOpen() && ResetForReuse()) {
        if (m_params.empty())
            m_pDatabase->GiveBackSpareStatement(m_statement.release());
        else
            m_pDatabase->GiveBackStatement(m_strSQL, m_statement.release());
    }
    m_bReusable = false;
    m_statement.reset();
    m_hstmt = SQL_NULL_HSTMT;
    m_columns.clear();
    m_params.clear();
    m_bulkText.clear();
    m_nRowsFetched = 0;
    m_bEOF = true;
    m_bBOF = true;
    if (m_bBulkBuffers) {
        m_bBulkBuffers = false;
        RunFieldExchange(CFieldExchange::DeleteMultiRowBuffer, true);
    }
    m_nResultCols = 0;
    m_nFields = 0;
    if (m_pOwnDatabase) {
        m_pOwnDatabase.reset();
        m_pDatabase = nullptr;
    }
}

void CRecordset::Move(long nRows, SQLUSMALLINT wFetchType) {
    if (!(wFetchType == SQL_FETCH_NEXT || (wFetchType == SQL_FETCH_RELATIVE && nRows == 1)))
        throw CDBException(AFX_SQL_ERROR_RECORDSET_FORWARD_ONLY,
                           "The recordset only moves forward, one row or rowset at a time",
                           CString());
    if (!IsOpen()) throw UsageError("Move on a recordset that is not open");
    if (m_bEOF) throw UsageError("Move past the end of the recordset");
    try {
        if (m_bBulk)
            FetchRowset();
        else
            FetchSingle();
    } catch (...) {
        m_bReusable = false;
        throw;
    }
}

void CRecordset::FetchSingle() {
    const SQLRETURN rc = SQLFetch(m_hstmt);
    if (rc == SQL_NO_DATA) {
        m_nRowsFetched = 0;
        m_bEOF = true;
        return;
    }
    ThrowIfFailed(rc);  // 01004 (text cut to the member's width) is only a warning
    m_bEOF = false;
    RunFieldExchange(CFieldExchange::Fixup, false);
}

void CRecordset::FetchRowset() {
    const SQLRETURN rc = SQLFetchScroll(m_hstmt, SQL_FETCH_NEXT, 0);
    if (rc == SQL_NO_DATA) {
        m_nRowsFetched = 0;
        m_bEOF = true;
        return;
    }
    CheckRowsetError(rc);
    m_bEOF = false;
    RepairBulkText();
}

void CRecordset::RepairBulkText() {
    for (const BulkText& column : m_bulkText) {
        for (SQLULEN row = 0; row < m_nRowsFetched; ++row) {
            const SQLLEN length = column.lengths[row];
            if (length != SQL_NO_TOTAL && length < static_cast<SQLLEN>(column.width)) continue;
            char* text = column.rows + row * column.width;
            text[Utf8CutLength(text, strnlen(text, column.width - 1))] = '\0';
        }
    }
}
