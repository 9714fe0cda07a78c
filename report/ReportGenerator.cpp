#include "report/ReportGenerator.h"

#include <memory>
#include <vector>

#include "sections/CReportSection.h"
#include "text/XmlText.h"

namespace {

const char kPrologue[] =
    "<?xml version=\"1.0\" encoding=\"UTF-16\" ?>\r\n"
    "<?xml-stylesheet type=\"text/xsl\" href=\"StdHardWareStyleSheet.xsl\"?>\r\n"
    "<HARDWARE>\r\n";

// Deletes the sections not yet written when a database exception leaves the document.
struct SectionList {
    std::vector<CReportSection*> sections;
    ~SectionList() {
        for (CReportSection* section : sections) delete section;
    }
};

}  // namespace

bool ReportGenerator::BuildDocument(const DisplayRequest* pRequest, CString& strDocument) {
    strDocument += kPrologue;
    AppendElement(strDocument, "CompanyName", pRequest->CompanyName);
    AppendElement(strDocument, "User", pRequest->User);

    SectionList list;
    BuildSectionList(list.sections, pRequest->Connection);
    for (CReportSection*& section : list.sections) {
        section->m_pDefaults = GetReportDefaults();
        section->WriteSection(pRequest->PCID, strDocument);
        delete section;
        section = nullptr;
    }
    strDocument += "</HARDWARE>\r\n";
    return true;
}

bool ReportGenerator::Transform(const CString& strDocument, CString& strOutput) {
    m_transformer.SetStylesheetPath(m_strStylesheetFolder + "StdHardwareStyleSheet.xsl");
    return m_transformer.Transform(strDocument, strOutput);
}
