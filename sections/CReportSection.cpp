#include "sections/CReportSection.h"

#include "sections/ReportSections.h"

void AppendStartTag(CString& strReport, const char* pszName) {
    std::string& text = strReport.str();
    text += '<';
    text += pszName;
    text += ">\r\n";
}

void AppendEndTag(CString& strReport, const char* pszName) {
    std::string& text = strReport.str();
    text += "</";
    text += pszName;
    text += ">\r\n";
}

void CReportSection::WriteRecordList(CInvItem& item, uint32_t nQueryMode, CString& strReport,
                                     const CString& strRowElement, const CString& strSectionElement,
                                     bool& bStarted) {
    CPCIDataRecord* table = item.GetRecordset();
    if (table->Select(nQueryMode) <= 0) return;
    bStarted = true;
    if (!strSectionElement.IsEmpty()) AppendStartTag(strReport, strSectionElement);
    do {
        if (!strRowElement.IsEmpty()) AppendStartTag(strReport, strRowElement);
        table->WriteXml(strReport, 0, m_pDefaults);
        if (!strRowElement.IsEmpty()) AppendEndTag(strReport, strRowElement);
    } while (table->MoveNext());
}

void CReportSection::WriteRecordLists(CString& strReport, const char* pszSectionElement,
                                      std::initializer_list<RecordList> lists) {
    bool bStarted = false;
    try {
        for (const RecordList& list : lists)
            WriteRecordList(*list.pItem, list.nQueryMode, strReport, list.pszRowElement,
                            bStarted ? "" : pszSectionElement, bStarted);
    } catch (const CDBException&) {
        if (bStarted) AppendEndTag(strReport, pszSectionElement);
        throw;
    }
    if (bStarted) AppendEndTag(strReport, pszSectionElement);
}

void BuildSectionList(std::vector<CReportSection*>& list, CDataConnection* pConnection) {
    list.push_back(new CSystemOverviewSection(pConnection));
    list.push_back(new CCpuBiosSection(pConnection));
    list.push_back(new CMotherBoardSlotsSection(pConnection));
    list.push_back(new CNetworkAdaptersSection(pConnection));
    list.push_back(new CVideoAdaptersSection(pConnection));
    list.push_back(new CDiskDrivesSection(pConnection));
    list.push_back(new CPrintersSection(pConnection));
    list.push_back(new CPeripheralsSection(pConnection));
    list.push_back(new CAdditionalHardwareSection(pConnection));
}

const CReportDefaults* GetReportDefaults() {
    static const CReportDefaults defaults;
    return &defaults;
}
