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

}  // namespace

bool ReportGenerator::BuildDocument(const DisplayRequest* pRequest, CString& strDocument) {
    strDocument += kPrologue;
    AppendElement(strDocument, "CompanyName", pRequest->CompanyName);
    AppendElement(strDocument, "User", pRequest->User);

    // Each section goes as soon as it is written; a database exception
    // takes the rest with the list.
    std::vector<std::unique_ptr<CReportSection>> sections;
    BuildSectionList(sections, pRequest->Connection);
    for (std::unique_ptr<CReportSection>& section : sections) {
        section->m_pDefaults = GetReportDefaults();
        section->WriteSection(pRequest->PCID, strDocument);
        section.reset();
    }
    strDocument += "</HARDWARE>\r\n";
    return true;
}

bool ReportGenerator::Transform(const CString& strDocument, CString& strOutput) {
    m_transformer.SetStylesheetPath(m_strStylesheetFolder + "StdHardwareStyleSheet.xsl");
    return m_transformer.Transform(strDocument, strOutput);
}
