// One Display call's worker: builds the report document for a request and
// turns it into HTML with the hardware stylesheet. Lives for one call.
#pragma once

#include "HardwareList.h"
#include "platform/CString.h"
#include "report/StylesheetTransformer.h"

class ReportGenerator {
public:
    // strStylesheetFolder: where StdHardwareStyleSheet.xsl is loaded from;
    // the file name is appended to it unchanged.
    explicit ReportGenerator(const CString& strStylesheetFolder)
        : m_strStylesheetFolder(strStylesheetFolder) {}

    // Appends the whole document for request->PCID to strDocument: prologue,
    // HARDWARE, CompanyName, User and the nine sections. A CDBException from
    // a section passes through, with the section's element closed.
    bool BuildDocument(const DisplayRequest* pRequest, CString& strDocument);

    // Transforms strDocument into strOutput; false (output untouched) when
    // the stylesheet or the document cannot be used.
    bool Transform(const CString& strDocument, CString& strOutput);

private:
    StylesheetTransformer m_transformer;
    CString m_strStylesheetFolder;
};
