#include "db/DynamicQuery.h"

#include <algorithm>
#include <cstring>

CDynamicQuery::CDynamicQuery(CDataConnection* pConnection)
    : CDynamicBulkSet(pConnection ? &pConnection->m_database : nullptr),
      m_pConnection(pConnection) {
    m_bTypedBind = true;
    SetRowsetSize(kRowsetSize);
}

CDynamicQuery::~CDynamicQuery() {
    try {
        Close();
    } catch (...) {
        // A destructor must not throw.
    }
}

void CDynamicQuery::AddColumn(void* pTarget, int32_t nType, int32_t nWidth) {
    auto column = std::make_unique<QueryColumn>();
    column->m_pTarget = pTarget;
    column->m_nType = nType;
    column->m_nWidth = nWidth > 0 ? nWidth : 0;
    m_queryColumns.push_back(std::move(column));
}

void CDynamicQuery::AddLong(LONG* pTarget) {
    AddColumn(pTarget, QueryColumn::typeLong, 0);
}
void CDynamicQuery::AddText(CString* pTarget) {
    AddColumn(pTarget, QueryColumn::typeText, 0);
}
void CDynamicQuery::AddText(CString* pTarget, int nWidth) {
    AddColumn(pTarget, QueryColumn::typeText, nWidth);
}
void CDynamicQuery::AddDate(CTime* pTarget) {
    AddColumn(pTarget, QueryColumn::typeDate, 0);
}
void CDynamicQuery::AddDouble(double* pTarget) {
    AddColumn(pTarget, QueryColumn::typeDouble, 0);
}

void CDynamicQuery::BindColumns(CFieldExchange* pFX) {
    // Columns exist from the buffer allocation on; earlier operations have
    // nothing to bind.
    if (m_queryColumns.size() > m_nColumns &&
        pFX->m_nOperation == CFieldExchange::AllocMultiRowBuffer) {
        CString message;
        message.Format("The query binds %d columns but its statement returns %d",
                       static_cast<int>(m_queryColumns.size()), static_cast<int>(m_nColumns));
        throw CDBException(SQL_ERROR, message, CString());
    }
    const size_t count = std::min<size_t>(m_queryColumns.size(), m_nColumns);
    for (size_t i = 0; i < count; ++i) {
        const QueryColumn& column = *m_queryColumns[i];
        SQLLEN** lengths = &m_ppLengths[i];
        switch (column.m_nType) {
            case QueryColumn::typeLong: {
                LONG* rows = static_cast<LONG*>(m_ppvData[i]);
                RFX_Long_Bulk(pFX, "Dummy", &rows, lengths);
                m_ppvData[i] = rows;
                break;
            }
            case QueryColumn::typeDate: {
                TIMESTAMP_STRUCT* rows = static_cast<TIMESTAMP_STRUCT*>(m_ppvData[i]);
                RFX_Date_Bulk(pFX, "Dummy", &rows, lengths);
                m_ppvData[i] = rows;
                break;
            }
            case QueryColumn::typeDouble: {
                double* rows = static_cast<double*>(m_ppvData[i]);
                RFX_Double_Bulk(pFX, "Dummy", &rows, lengths);
                m_ppvData[i] = rows;
                break;
            }
            default: {
                char* rows = static_cast<char*>(m_ppvData[i]);
                const int width = column.m_nWidth ? column.m_nWidth + 1 : m_nDefaultTextWidth;
                RFX_Text_Bulk(pFX, "Dummy", &rows, lengths, width);
                m_ppvData[i] = rows;
                break;
            }
        }
    }
}

int CDynamicQuery::OpenQuery() {
    m_nRowsInRowset = 0;
    m_nRowsetBase = 0;
    m_nCurrentRow = 0;
    if (IsOpen()) Close();
    if (m_pConnection == nullptr)
        throw CDBException(AFX_SQL_ERROR_CONNECT_FAIL, "A query needs the host's connection object",
                           CString());
    const CString sql = BuildSQL();
    Open(m_bSnapshot ? snapshot : dynaset, sql, readOnly | useMultiRowFetch);
    m_nRowsInRowset = static_cast<int32_t>(GetRowsFetched());
    if (IsEOF()) {
        Close();
        return 0;
    }
    return m_nRowsInRowset;
}

int CDynamicQuery::Execute(int32_t nSelector1, int32_t nSelector2) {
    m_nSelector1 = nSelector1;
    m_nSelector2 = nSelector2;
    if (OpenQuery() == 0) return 0;
    return FetchNext() ? 1 : 0;
}

bool CDynamicQuery::FetchNext() {
    if (!IsOpen()) return false;
    if (m_nCurrentRow == m_nRowsetBase + m_nRowsInRowset) {
        if (m_nRowsInRowset > 0) {
            Move(1, SQL_FETCH_NEXT);
            if (IsEOF()) {
                Close();
                return false;
            }
            m_nRowsetBase += m_nRowsInRowset;
            m_nRowsInRowset = static_cast<int32_t>(GetRowsFetched());
        } else {
            if (IsEOF()) {
                Close();
                return false;
            }
            m_nRowsInRowset = static_cast<int32_t>(GetRowsFetched());
        }
    }
    if (m_nCurrentRow < m_nRowsetBase || m_nCurrentRow >= m_nRowsetBase + m_nRowsInRowset)
        return false;
    DeliverRow(static_cast<size_t>(m_nCurrentRow - m_nRowsetBase));
    ++m_nCurrentRow;
    return true;
}

void CDynamicQuery::DeliverRow(size_t row) {
    for (size_t i = 0; i < m_queryColumns.size(); ++i) {
        QueryColumn& column = *m_queryColumns[i];
        const bool isNull = m_ppLengths[i][row] == SQL_NULL_DATA;
        column.m_bIsNull = isNull;
        column.m_bIsCut = false;
        switch (column.m_nType) {
            case QueryColumn::typeLong:
                *static_cast<LONG*>(column.m_pTarget) =
                    isNull ? 0 : static_cast<const LONG*>(m_ppvData[i])[row];
                break;
            case QueryColumn::typeDouble:
                *static_cast<double*>(column.m_pTarget) =
                    isNull ? 0.0 : static_cast<const double*>(m_ppvData[i])[row];
                break;
            case QueryColumn::typeDate:
                if (!isNull) {
                    const TIMESTAMP_STRUCT& ts =
                        static_cast<const TIMESTAMP_STRUCT*>(m_ppvData[i])[row];
                    *static_cast<CTime*>(column.m_pTarget) =
                        CTime(ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second, -1);
                }
                break;
            default: {
                CString& target = *static_cast<CString*>(column.m_pTarget);
                if (isNull) {
                    target.Empty();
                    break;
                }
                const size_t width = static_cast<size_t>(column.m_nWidth ? column.m_nWidth + 1
                                                                         : m_nDefaultTextWidth);
                const char* text = static_cast<const char*>(m_ppvData[i]) + row * width;
                // The driver's length counts every byte it delivered, zero
                // bytes included; a cut value ends where the rowset repair
                // put its terminator.
                const SQLLEN length = m_ppLengths[i][row];
                column.m_bIsCut = length == SQL_NO_TOTAL || length >= static_cast<SQLLEN>(width);
                target = CString(text, column.m_bIsCut || length < 0 ? strnlen(text, width)
                                                                     : static_cast<size_t>(length));
                break;
            }
        }
    }
}
