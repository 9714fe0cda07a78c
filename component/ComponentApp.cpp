#include "component/ComponentApp.h"

HWND ComponentApp::SetParentAppWindow(HWND hWnd) {
    m_hParentWnd = hWnd;
    return hWnd;
}

void ComponentApp::HaltExecution(bool wait) {
    m_bHaltRequested = true;
    if (!wait) return;
    while (m_bBusy) Sleep(10);
}

uint32_t ComponentApp::RunExecute(intptr_t a, intptr_t b, intptr_t c) {
    struct BusyScope {
        std::atomic<bool>& busy;
        explicit BusyScope(std::atomic<bool>& flag) : busy(flag) { busy = true; }
        ~BusyScope() { busy = false; }
    } scope(m_bBusy);
    return Execute(a, b, c);
}

int32_t ComponentApp::RunInit(const HwInitBlock* block) {
    if (block->Reset != 0) {
        m_bBusy = false;
        m_bHaltRequested = false;
    }
    if (!Init(block)) return 0;
    return InitComplete(block);
}

int32_t ComponentApp::RunUnload(intptr_t word) {
    if (!Unload(word)) return 0;
    return UnloadComplete(word);
}
