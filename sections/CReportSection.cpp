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
    WriteSectionElement(strReport, pszSectionElement, [&](bool& bStarted) {
        for (const RecordList& list : lists)
            WriteRecordList(*list.pItem, list.nQueryMode, strReport, list.pszRowElement,
                            bStarted ? "" : pszSectionElement, bStarted);
    });
}

void BuildSectionList(std::vector<std::unique_ptr<CReportSection>>& list,
                      CDataConnection* pConnection) {
    list.push_back(std::make_unique<CSystemOverviewSection>(pConnection));
    list.push_back(std::make_unique<CCpuBiosSection>(pConnection));
    list.push_back(std::make_unique<CMotherBoardSlotsSection>(pConnection));
    list.push_back(std::make_unique<CNetworkAdaptersSection>(pConnection));
    list.push_back(std::make_unique<CVideoAdaptersSection>(pConnection));
    list.push_back(std::make_unique<CDiskDrivesSection>(pConnection));
    list.push_back(std::make_unique<CPrintersSection>(pConnection));
    list.push_back(std::make_unique<CPeripheralsSection>(pConnection));
    list.push_back(std::make_unique<CAdditionalHardwareSection>(pConnection));
}

const CReportDefaults* GetReportDefaults() {
    static const CReportDefaults defaults;
    return &defaults;
}
