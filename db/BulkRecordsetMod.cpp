#include "db/BulkRecordsetMod.h"

void CBulkRecordsetMod::UpdateRowsetRow(SQLUSMALLINT nRow) {
    SetPos(nRow, SQL_UPDATE);
}

void CBulkRecordsetMod::AddRowsetRow(SQLUSMALLINT nRow) {
    SetPos(nRow, SQL_ADD);
}

void CBulkRecordsetMod::DeleteRowsetRow(SQLUSMALLINT nRow) {
    SetPos(nRow, SQL_DELETE);
}

void CBulkRecordsetMod::SetPos(SQLUSMALLINT nRow, SQLUSMALLINT nOperation) {
    if (!IsOpen())
        throw CDBException(SQL_ERROR, "Positioned operation on a recordset that is not open",
                           CString());
    ThrowIfFailed(SQLSetPos(m_hstmt, nRow, nOperation, SQL_LOCK_NO_CHANGE));
}
