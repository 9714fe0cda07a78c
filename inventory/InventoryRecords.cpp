#include "inventory/InventoryRecords.h"

#include "text/XmlText.h"

namespace {

// A summary value: the column, or the missing-value text when it is empty.
void AppendSummaryElement(CString& out, const char* name, const CString& value,
                          const CReportDefaults* defaults) {
    const char* text =
        value.IsEmpty() && defaults ? defaults->m_strMissingValue.GetString() : value.GetString();
    AppendElement(out, name, text);
}

}  // namespace

void CInvBIOS::WriteSummaryXml(CString& strOut, const CReportDefaults* pDefaults) {
    AppendSummaryElement(strOut, "Manufacturer", m_SystemMan, pDefaults);
    AppendSummaryElement(strOut, "Model", m_SystemMod, pDefaults);
}

bool CInvNetworkAdapter::Describe(CString& strFirst, CString& strSecond, CString& strThird) {
    strFirst = m_Name;
    strSecond = m_MacAddress;
    strThird = m_IPAddress;
    return true;
}
