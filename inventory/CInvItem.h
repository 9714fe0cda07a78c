// CInvItem: what a report section needs of a hardware record without knowing
// its category. A record is one object: its table part (the row) and this
// interface part are created and destroyed together.
#pragma once

#include "db/CPCIDataRecord.h"
#include "platform/CString.h"

class CInvItem {
public:
    // Operations in the order the suite's record interface fixes. Records are
    // only read here; the ones the report never calls answer honestly for a
    // read-only inventory.
    virtual ~CInvItem() = default;
    // Fills the table part from an XML fragment through the table's reader.
    virtual bool ReadFromXml() = 0;
    // Stores the PC and instance into the key columns and opens the row by its
    // full key; clears m_bNew when it is found. Returns the open's result.
    virtual int FindInstance(LONG nPCID, LONG nInstance) = 0;
    // Saves the row through the table (read-only here: 0, nothing saved).
    virtual int Save() = 0;
    virtual bool IsNew() const { return m_bNew; }
    // History key and value text of field nField; false past the last field.
    // No history is kept by this component, so there is no field to give.
    virtual bool GetHistoryEntry(int nField, CString& strKey, CString& strValue) = 0;
    // Moves the table part to the next row; true while a row is current.
    virtual bool MoveNextItem() = 0;
    // Deletes the PC's rows from nInstance on (read-only here: 0 deleted).
    virtual int DeleteFrom(LONG nPCID, LONG nInstance) = 0;
    virtual CPCIDataRecord* GetRecordset() = 0;
    // Whether the record is a device category (BIOS and system overview are not).
    virtual bool IsCategoryItem() const = 0;
    // A three-text description of the device; only network adapters have one.
    virtual bool Describe(CString& strFirst, CString& strSecond, CString& strThird) = 0;
    // Name of the column that names a device ("" when none does).
    virtual const char* GetDescriptiveColumn() const = 0;
    // Whether a change of kind nKind is of interest for this record.
    virtual bool ChangeCounts(int nKind) = 0;

protected:
    bool m_bNew = true;
};
