// ComponentApp: the interface every suite component presents behind its
// exports, and the run-state flags that Execute, HaltExecution and Init share.
#pragma once

#include <atomic>
#include <cstdint>

#include "HardwareList.h"
#include "platform/ModuleState.h"

class ComponentApp : public CWinApp {
public:
    ComponentApp() : CWinApp(nullptr) {}

    // Operations in the order the suite's component interface fixes.
    virtual int32_t GetID() = 0;
    virtual uint32_t Verify(const char* challenge) = 0;
    virtual const char* GetName(intptr_t) = 0;
    virtual int32_t Init(const HwInitBlock* block) = 0;
    virtual int32_t Activate(intptr_t) { return 1; }
    virtual int32_t Deactivate() { return 1; }
    virtual int32_t Unload(intptr_t) = 0;
    virtual int32_t GetCommands(intptr_t) = 0;
    virtual uint32_t Execute(intptr_t, intptr_t, intptr_t) = 0;
    virtual HWND SetParentAppWindow(HWND hWnd);
    virtual int32_t InitComplete(const HwInitBlock* block) = 0;
    virtual int32_t GetConfig(intptr_t, intptr_t) = 0;
    virtual int32_t Store(intptr_t, intptr_t, intptr_t, intptr_t) = 0;
    virtual int32_t UnloadComplete(intptr_t) = 0;
    virtual int16_t GetFileList(intptr_t) = 0;
    virtual int32_t Display(const DisplayRequest* request, CString* hostString) = 0;
    virtual int32_t GetDialog(intptr_t, intptr_t, intptr_t, intptr_t) = 0;
    virtual void UnActivate() {}
    virtual bool GetContextValue(int32_t /*number*/, CString* /*hostString*/) { return false; }
    // Sets the halt request; with `wait`, polls every 10 ms until Execute is
    // no longer running, however long that takes.
    virtual void HaltExecution(bool wait);

    // The Execute export's bracket: busy while Execute runs, cleared again on
    // every way out so that a waiting HaltExecution returns.
    uint32_t RunExecute(intptr_t a, intptr_t b, intptr_t c);
    // The Init export: a nonzero reset field clears both run-state flags, then
    // Init and, only if it succeeded, InitComplete.
    int32_t RunInit(const HwInitBlock* block);
    // The Unload export: Unload and, only if it succeeded, UnloadComplete.
    int32_t RunUnload(intptr_t word);

    HWND m_hParentWnd = nullptr;
    // Written by one thread and polled by another: whole, indivisible accesses.
    std::atomic<bool> m_bBusy{false};
    std::atomic<bool> m_bHaltRequested{false};
};
