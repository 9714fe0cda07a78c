// CDynamicQuery: a free-form SELECT whose result columns are bound to typed
// variables and delivered one row at a time from multi-row rowsets.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "db/DynamicBulkSet.h"
#include "platform/DataConnection.h"

// One result column of a CDynamicQuery and the variable that receives it.
struct QueryColumn {
    enum Type : int32_t { typeLong = 1, typeText = 2, typeDate = 3, typeDouble = 7 };

    void* m_pTarget = nullptr;  // LONG*, CString*, CTime* or double*, by m_nType
    int32_t m_nType = typeLong;
    int32_t m_nWidth = 0;    // text: characters per value; 0 = the query's default
    bool m_bIsNull = false;  // the last delivered row had NULL here
    bool m_bIsCut = false;   // text: the last delivered value was longer than its width
};

class CDynamicQuery : public CDynamicBulkSet {
public:
    static constexpr uint32_t kRowsetSize = 50;

    // The query runs on pConnection->m_database; pConnection must not be null
    // (Execute refuses to run without it) and must outlive the query.
    explicit CDynamicQuery(CDataConnection* pConnection);
    ~CDynamicQuery() override;

    // Append a result column, in result-column order. The target must outlive
    // the query. A text column holds nWidth bytes, or the default width - 1.
    void AddLong(LONG* pTarget);
    void AddText(CString* pTarget);
    void AddText(CString* pTarget, int nWidth);
    void AddDate(CTime* pTarget);
    void AddDouble(double* pTarget);

    // Opens the statement of BuildSQL() and delivers the first row into the
    // targets. Returns 0 (and is closed) when there is no row, else 1.
    // Throws CDBException.
    int Execute(int32_t nSelector1, int32_t nSelector2);
    // Delivers the next row; false at the end, when the query has closed itself.
    bool FetchNext();

    // The statement to run; the base returns m_strSQLText.
    virtual CString BuildSQL() { return m_strSQLText; }

    void BindColumns(CFieldExchange* pFX) override;

    // Whether the last delivered row had NULL in result column nIndex (0-based).
    bool IsColumnNull(size_t nIndex) const {
        return nIndex < m_queryColumns.size() && m_queryColumns[nIndex]->m_bIsNull;
    }
    // Whether that row's text in column nIndex arrived cut to the column's
    // width (on a character boundary).
    bool IsColumnCut(size_t nIndex) const {
        return nIndex < m_queryColumns.size() && m_queryColumns[nIndex]->m_bIsCut;
    }

protected:
    int32_t m_nSelector1 = 0;
    int32_t m_nSelector2 = 0;
    int32_t m_nDefaultTextWidth = kDefaultTextWidth;  // bytes per text value, terminator included
    bool m_bSnapshot = true;
    std::vector<std::unique_ptr<QueryColumn>> m_queryColumns;
    CString m_strSQLText;
    int32_t m_nRowsInRowset = 0;  // rows the driver delivered in the current rowset
    int32_t m_nRowsetBase = 0;    // rows of the result before the current rowset
    int32_t m_nCurrentRow = 0;    // the next row to deliver, counted over the whole result

private:
    void AddColumn(void* pTarget, int32_t nType, int32_t nWidth);
    int OpenQuery();
    void DeliverRow(size_t row);

    CDataConnection* m_pConnection;
};
