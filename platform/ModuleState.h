// Module state: which component's application object is "current" on a
// thread. Each export makes its module's state current through
// AFX_MANAGE_STATE and the caller's state comes back when the export is left,
// by return or by exception.
#pragma once

#include "platform/Export.h"
#include "platform/Win32.h"

class CWinApp;

struct HWPLATFORM_API AFX_MODULE_STATE {
    explicit AFX_MODULE_STATE(const char* name) : m_lpszName(name) {}
    const char* m_lpszName;
    CWinApp* m_pCurrentWinApp = nullptr;           // the module's application object
    HINSTANCE m_hCurrentInstanceHandle = nullptr;  // the module's handle
};

// The process's own state: current on every thread until a module's is made current.
HWPLATFORM_API AFX_MODULE_STATE* AfxGetAppModuleState();
HWPLATFORM_API AFX_MODULE_STATE* AfxGetModuleState();
// Makes `state` current for the calling thread and returns the previous one.
HWPLATFORM_API AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* state);
// The application object of the current module state (null outside its lifetime).
HWPLATFORM_API CWinApp* AfxGetApp();
HWPLATFORM_API HINSTANCE AfxGetInstanceHandle();

// Switches the calling thread's current module state for one scope.
class HWPLATFORM_API AFX_MAINTAIN_STATE2 {
public:
    explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* state) : m_pPrevious(AfxSetModuleState(state)) {}
    ~AFX_MAINTAIN_STATE2() { AfxSetModuleState(m_pPrevious); }
    AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2&) = delete;
    AFX_MAINTAIN_STATE2& operator=(const AFX_MAINTAIN_STATE2&) = delete;

private:
    AFX_MODULE_STATE* m_pPrevious;
};

#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE2 _ctlState(p)

// The application base: what the framework calls when the module attaches
// and detaches.
class HWPLATFORM_API CWinApp {
public:
    explicit CWinApp(const char* lpszAppName = nullptr) : m_pszAppName(lpszAppName) {}
    virtual ~CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return 1; }
    virtual int ExitInstance() { return 0; }
    // No windows, accelerators or message maps here: nothing is consumed.
    virtual BOOL PreTranslateMessage(MSG* /*pMsg*/) { return 0; }

    const char* m_pszAppName;
    HINSTANCE m_hInstance = nullptr;
};

// Attaches `app` to `state` as the framework does at process attach: sets the
// instance handle, makes it the state's application object and calls
// InitInstance under that state. On failure ExitInstance runs and the state
// is left without an application object. Returns InitInstance's verdict.
HWPLATFORM_API bool AfxAttachModule(AFX_MODULE_STATE* state, CWinApp* app, HINSTANCE hInstance);
// Process detach: ExitInstance under the module's state, then the state
// forgets the application object.
HWPLATFORM_API void AfxDetachModule(AFX_MODULE_STATE* state);
