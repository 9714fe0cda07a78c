// CDynamicBulkSet: a multi-row recordset whose column buffers are allocated
// when the statement's result columns are known.
#pragma once

#include <cstdint>
#include <vector>

#include "db/BulkRecordsetMod.h"

class CDynamicBulkSet : public CBulkRecordsetMod {
public:
    // Bytes per row of a column bound as text without a width of its own
    // (terminator included, so 511 characters).
    static constexpr int kDefaultTextWidth = 512;

    explicit CDynamicBulkSet(CDatabase* pDatabase);
    ~CDynamicBulkSet() override;

    // Closes the recordset, frees the column buffers and forgets the columns.
    void Close() override;

    void DoBulkFieldExchange(CFieldExchange* pFX) override;

    // Rowset warnings: a cut text (01004) is never an error, even next to an
    // error in a row; an error in a row alone (01S01) raises CDBException with
    // AFX_SQL_ERROR_ROW_FETCH; other warnings are ignored.
    void CheckRowsetError(SQLRETURN nRetCode) override;

    enum class RowsetWarning { Ignore, Truncated, RowError };
    // Classifies the "State:..." text of a SQL_SUCCESS_WITH_INFO fetch.
    static RowsetWarning ClassifyRowsetWarning(const CString& strStateNativeOrigin);

    // Run after the columns are bound when m_bAfterBind is set.
    virtual void BindExtraColumns(CFieldExchange* /*pFX*/) {}
    // Replaces the default text binding when m_bTypedBind is set.
    virtual void BindColumns(CFieldExchange* /*pFX*/) {}

protected:
    uint32_t m_nColumns = 0;           // columns with buffers; 0 when none
    std::vector<void*> m_ppvData;      // rowset buffer of each column
    std::vector<SQLLEN*> m_ppLengths;  // per-row length or SQL_NULL_DATA of each column
    bool m_bAfterBind = false;
    bool m_bTypedBind = false;

private:
    void BindDefaultText(CFieldExchange* pFX);
};
