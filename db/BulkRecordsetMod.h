// CBulkRecordsetMod: the multi-row recordset base with positioned row
// operations on the current rowset.
#pragma once

#include "platform/Database.h"

class CBulkRecordsetMod : public CRecordset {
public:
    explicit CBulkRecordsetMod(CDatabase* pDatabase) : CRecordset(pDatabase) {}

    // Positioned update, add and delete of row nRow (1-based) of the current
    // rowset through SQLSetPos. The report's read-only cursors refuse them:
    // the driver's refusal arrives as CDBException.
    virtual void UpdateRowsetRow(SQLUSMALLINT nRow);
    virtual void AddRowsetRow(SQLUSMALLINT nRow);
    virtual void DeleteRowsetRow(SQLUSMALLINT nRow);

private:
    void SetPos(SQLUSMALLINT nRow, SQLUSMALLINT nOperation);
};
