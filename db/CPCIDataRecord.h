// Base of the per-PC hardware table classes: one recordset over one table,
// opened through a small fixed set of parameterised filters (query modes).
#pragma once

#include <cstdint>

#include "platform/CString.h"
#include "platform/DataConnection.h"
#include "platform/Database.h"

struct CReportDefaults;

class CPCIDataRecord : public CRecordset {
public:
    // Query modes every table shares; tables add their own.
    enum : uint32_t {
        MODE_ALL = 0,       // every row, no parameter
        MODE_FULL_KEY = 1,  // the one row of the full key
        MODE_ONE_PC = 3,    // all rows of one PC
    };

    // pConnection may be null: the recordset then opens a private connection
    // with GetDefaultConnect() when first opened. The connection is not owned.
    explicit CPCIDataRecord(CDataConnection* pConnection);
    // Closes the recordset if it is open.
    ~CPCIDataRecord() override;

    CString GetDefaultConnect() override { return CString("ODBC;DSN=VarnelVYN"); }

    // The operations below keep this order: derived tables and records rely on it.

    // Opens the one row of the full key held in the key members (mode 1 only;
    // any other mode gives -1). Returns 1 when the row was found, else 0; unless
    // bKeepOpen the recordset is closed again and the members keep the row.
    virtual int OpenByKey(uint32_t nQueryMode, bool bKeepOpen);
    // Opens all rows that a mode selects, the first one in the members: 1 when
    // there is a row, 0 when none, -1 for a mode the table does not define
    // (the database is then not touched). The base defines no mode.
    virtual int Select(uint32_t nQueryMode);
    // Saves the members as the row of their key: UpdateRow, else InsertRow.
    // Returns their result; 0 means nothing was saved.
    virtual int Store(uint32_t dwFlags);
    // Deletes the row of the key held in the members. Returns 1 when a row was
    // deleted; this layer only reads, so it answers 0.
    virtual int DeleteRow();
    // Appends the current row as XML elements; the base appends nothing.
    // nFormat 0 is the report form. pDefaults may be null (empty missing text).
    virtual void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults);
    // Keeps the slot between WriteXml and ReadXml; does nothing.
    virtual void Reserved();
    // Fills the members from an XML element; no reader exists here, so false.
    virtual bool ReadXml();
    // Adds / updates the row held in the members; this layer only reads, so 0.
    virtual int InsertRow(bool bFlag);
    virtual int UpdateRow(bool bFlag);

    // Moves to the next row; true while a row is current. False on a closed
    // recordset.
    bool MoveNext();

    // Appends "<name>value</name>\r\n" with the value formatted "%d".
    static void AppendLongElement(CString& strOut, const char* pszName, LONG nValue);

    uint32_t m_nQueryMode = 0;       // filter of the last OpenByKey / Select
    CDataConnection* m_pConnection;  // may be null; further recordsets open on it
};
