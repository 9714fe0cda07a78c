#include "platform/ModuleState.h"

namespace {

AFX_MODULE_STATE g_appModuleState("process");
thread_local AFX_MODULE_STATE* t_current = nullptr;

}  // namespace

AFX_MODULE_STATE* AfxGetAppModuleState() {
    return &g_appModuleState;
}

AFX_MODULE_STATE* AfxGetModuleState() {
    return t_current ? t_current : &g_appModuleState;
}

AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* state) {
    AFX_MODULE_STATE* previous = AfxGetModuleState();
    t_current = state;
    return previous;
}

CWinApp* AfxGetApp() {
    return AfxGetModuleState()->m_pCurrentWinApp;
}

HINSTANCE AfxGetInstanceHandle() {
    return AfxGetModuleState()->m_hCurrentInstanceHandle;
}

bool AfxAttachModule(AFX_MODULE_STATE* state, CWinApp* app, HINSTANCE hInstance) {
    AFX_MANAGE_STATE(state);
    // The host may change directory later; a relative load path would then
    // name another file.
    AfxRememberModuleFileName(hInstance);
    state->m_hCurrentInstanceHandle = hInstance;
    app->m_hInstance = hInstance;
    state->m_pCurrentWinApp = app;
    if (app->InitInstance()) return true;
    app->ExitInstance();
    state->m_pCurrentWinApp = nullptr;
    return false;
}

void AfxDetachModule(AFX_MODULE_STATE* state) {
    AFX_MANAGE_STATE(state);
    if (CWinApp* app = state->m_pCurrentWinApp) app->ExitInstance();
    state->m_pCurrentWinApp = nullptr;
    AfxForgetModuleFileName(state->m_hCurrentInstanceHandle);
}
