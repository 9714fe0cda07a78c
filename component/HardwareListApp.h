// HardwareListApp: the hardware-inventory component. Its one real operation
// is Display; every other answer is fixed.
#pragma once

#include "component/ComponentApp.h"

class HardwareListApp : public ComponentApp {
public:
    BOOL InitInstance() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    int ExitInstance() override;

    int32_t GetID() override;
    uint32_t Verify(const char* challenge) override;
    const char* GetName(intptr_t) override;
    int32_t Init(const HwInitBlock* block) override;
    int32_t Unload(intptr_t) override;
    int32_t GetCommands(intptr_t) override;
    uint32_t Execute(intptr_t, intptr_t, intptr_t) override;
    int32_t InitComplete(const HwInitBlock* block) override;
    int32_t GetConfig(intptr_t, intptr_t) override;
    int32_t Store(intptr_t, intptr_t, intptr_t, intptr_t) override;
    int32_t UnloadComplete(intptr_t) override;
    int16_t GetFileList(intptr_t) override;
    // Renders the report of request->PCID as HTML into *hostString; returns 1.
    // A CDBException from the database, and _com_error when memory runs out,
    // pass through with *hostString empty.
    int32_t Display(const DisplayRequest* request, CString* hostString) override;
    int32_t GetDialog(intptr_t, intptr_t, intptr_t, intptr_t) override;
    bool GetContextValue(int32_t number, CString* hostString) override;
};
