#include "db/CPCIDataRecord.h"

CPCIDataRecord::CPCIDataRecord(CDataConnection* pConnection)
    : CRecordset(pConnection ? &pConnection->m_database : nullptr), m_pConnection(pConnection) {
    m_nDefaultType = dynaset;
}

CPCIDataRecord::~CPCIDataRecord() {
    if (IsOpen()) Close();
}

int CPCIDataRecord::OpenByKey(uint32_t /*nQueryMode*/, bool /*bKeepOpen*/) {
    return 0;
}

int CPCIDataRecord::Select(uint32_t /*nQueryMode*/) {
    return -1;
}

int CPCIDataRecord::Store(uint32_t dwFlags) {
    const int nUpdated = UpdateRow(dwFlags != 0);
    return nUpdated ? nUpdated : InsertRow(dwFlags != 0);
}

int CPCIDataRecord::DeleteRow() {
    return 0;
}

void CPCIDataRecord::WriteXml(CString& /*strOut*/, int /*nFormat*/,
                              const CReportDefaults* /*pDefaults*/) {}

void CPCIDataRecord::Reserved() {}

bool CPCIDataRecord::ReadXml() {
    return false;
}

int CPCIDataRecord::InsertRow(bool /*bFlag*/) {
    return 0;
}

int CPCIDataRecord::UpdateRow(bool /*bFlag*/) {
    return 0;
}

bool CPCIDataRecord::MoveNext() {
    if (!IsOpen() || IsEOF()) return false;
    Move(1, SQL_FETCH_NEXT);
    return !IsEOF();
}

void CPCIDataRecord::AppendLongElement(CString& strOut, const char* pszName, LONG nValue) {
    strOut.AppendFormat("<%s>%d</%s>\r\n", pszName, static_cast<int>(nValue), pszName);
}
