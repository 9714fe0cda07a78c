#include "db/DynamicBulkSet.h"

CDynamicBulkSet::CDynamicBulkSet(CDatabase* pDatabase) : CBulkRecordsetMod(pDatabase) {
    m_nDefaultType = dynaset;
}

CDynamicBulkSet::~CDynamicBulkSet() {
    try {
        Close();  // here, while DoBulkFieldExchange still frees our buffers
    } catch (...) {
        // A destructor must not throw.
    }
}

void CDynamicBulkSet::Close() {
    CBulkRecordsetMod::Close();
    m_ppvData.clear();
    m_ppLengths.clear();
    m_nColumns = 0;
}

void CDynamicBulkSet::BindDefaultText(CFieldExchange* pFX) {
    for (uint32_t i = 0; i < m_nColumns; ++i) {
        char* rows = static_cast<char*>(m_ppvData[i]);
        RFX_Text_Bulk(pFX, "Dummy", &rows, &m_ppLengths[i], kDefaultTextWidth);
        m_ppvData[i] = rows;
    }
}

void CDynamicBulkSet::DoBulkFieldExchange(CFieldExchange* pFX) {
    if (pFX->m_nOperation == CFieldExchange::DeleteMultiRowBuffer) {
        // Text binding frees any column's buffers, whatever type they held.
        BindDefaultText(pFX);
        return;
    }
    if (pFX->m_nOperation == CFieldExchange::AllocMultiRowBuffer && m_nColumns == 0) {
        const short count = GetODBCFieldCount();
        m_nColumns = count > 0 ? static_cast<uint32_t>(count) : 0;
        m_ppvData.assign(m_nColumns, nullptr);
        m_ppLengths.assign(m_nColumns, nullptr);
    }
    if (m_bTypedBind)
        BindColumns(pFX);
    else
        BindDefaultText(pFX);
    if (m_bAfterBind) BindExtraColumns(pFX);
}

CDynamicBulkSet::RowsetWarning CDynamicBulkSet::ClassifyRowsetWarning(
    const CString& strStateNativeOrigin) {
    if (strStateNativeOrigin.Find("State:01004") >= 0) return RowsetWarning::Truncated;
    if (strStateNativeOrigin.Find("State:01S01") >= 0) return RowsetWarning::RowError;
    return RowsetWarning::Ignore;
}

void CDynamicBulkSet::CheckRowsetError(SQLRETURN nRetCode) {
    if (nRetCode != SQL_SUCCESS_WITH_INFO) {
        ThrowIfFailed(nRetCode);
        return;
    }
    const CDBException info = CDBException::FromHandle(nRetCode, SQL_HANDLE_STMT, m_hstmt);
    if (ClassifyRowsetWarning(info.m_strStateNativeOrigin) == RowsetWarning::RowError)
        throw CDBException(AFX_SQL_ERROR_ROW_FETCH, "A row of the rowset could not be fetched",
                           CString());
}
