#include "component/HardwareListApp.h"

#include <memory>
#include <new>
#include <stdexcept>

#include "platform/ComError.h"
#include "report/CompiledStylesheet.h"
#include "report/ReportGenerator.h"
#include "report/StylesFolder.h"

namespace {
const char kName[] = "Hardware Inventory";
const char kQueryStylesheet[] = "HardwareComponentQuery.xsl";
}  // namespace

BOOL HardwareListApp::InitInstance() {
    return CWinApp::InitInstance();
}

BOOL HardwareListApp::PreTranslateMessage(MSG* pMsg) {
    return CWinApp::PreTranslateMessage(pMsg);
}

int HardwareListApp::ExitInstance() {
    // The compiled stylesheets kept across reports belong to this module;
    // the host's libxml2 must not outlive it holding them.
    ReleaseCompiledStylesheets();
    return 0;
}

int32_t HardwareListApp::GetID() {
    return HW_COMPONENT_ID;
}

uint32_t HardwareListApp::Verify(const char* challenge) {
    return HwVerifyResponse(challenge);
}

const char* HardwareListApp::GetName(intptr_t) {
    return kName;
}

int32_t HardwareListApp::Init(const HwInitBlock*) {
    return 1;
}

int32_t HardwareListApp::Unload(intptr_t) {
    return 1;
}

int32_t HardwareListApp::GetCommands(intptr_t) {
    return 0;
}

uint32_t HardwareListApp::Execute(intptr_t, intptr_t, intptr_t) {
    return HW_EXECUTE_NOT_SUPPORTED;
}

int32_t HardwareListApp::InitComplete(const HwInitBlock*) {
    return 1;
}

int32_t HardwareListApp::GetConfig(intptr_t, intptr_t) {
    return 1;
}

int32_t HardwareListApp::Store(intptr_t, intptr_t, intptr_t, intptr_t) {
    return 1;
}

int32_t HardwareListApp::UnloadComplete(intptr_t) {
    return 1;
}

int16_t HardwareListApp::GetFileList(intptr_t) {
    return 0;
}

int32_t HardwareListApp::Display(const DisplayRequest* request, CString* hostString) {
    // A folder from the host wins; otherwise the installation's Styles folder,
    // and with neither the bare file name is tried.
    CString folder;
    if (!hostString->IsEmpty())
        folder = *hostString;
    else
        GetStylesFolder(folder, m_hInstance);
    hostString->Empty();
    // Memory running out becomes the COM support library's error, the one
    // failure besides the database's that reaches the host.
    try {
        auto generator = std::make_unique<ReportGenerator>(folder);
        CString document;
        document.Reserve(16 * 1024);
        generator->BuildDocument(request, document);
        // A failed transformation leaves the host string empty; Display still answers 1.
        generator->Transform(document, *hostString);
    } catch (const std::bad_alloc&) {
        hostString->Empty();
        throw _com_error(E_OUTOFMEMORY);
    } catch (const std::length_error&) {
        hostString->Empty();
        throw _com_error(E_OUTOFMEMORY);
    }
    return 1;
}

int32_t HardwareListApp::GetDialog(intptr_t, intptr_t, intptr_t, intptr_t) {
    return 0;
}

bool HardwareListApp::GetContextValue(int32_t number, CString* hostString) {
    if (number != 1) return false;
    *hostString = kQueryStylesheet;
    return true;
}
