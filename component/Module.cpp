// Load and unload of the component library. Static objects of one file are
// constructed in order and destroyed in reverse, which gives the sequence the
// suite expects: messages registered, object constructed, InitInstance; at
// unload ExitInstance, then the object is destroyed.
#include "component/Module.h"

namespace {
AFX_MODULE_STATE g_moduleState("HardwareListH");
}  // namespace

AFX_MODULE_STATE* HwModuleState() {
    return &g_moduleState;
}

UINT g_nMsgGetLoadedComponents = RegisterWindowMessageA("VYNGETLOADEDCOMPONENTS");
UINT g_nMsgClientDataSent = RegisterWindowMessageA("VYNClientComponentDataSent");

namespace {

HardwareListApp theApp;

// Process attach and detach, after theApp exists and before it goes.
struct ModuleAttachment {
    ModuleAttachment() {
        AfxAttachModule(&g_moduleState, &theApp, AfxModuleFromAddress(&g_moduleState));
    }
    ~ModuleAttachment() { AfxDetachModule(&g_moduleState); }
} g_attachment;

}  // namespace
