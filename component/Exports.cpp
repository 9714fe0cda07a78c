// The component's C exports. Each one makes this module's state current for
// the calling thread, reaches the application object through it and restores
// the caller's state on the way out, also when an exception passes.
#include "component/Module.h"

#define HW_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

HardwareListApp* App() {
    return static_cast<HardwareListApp*>(AfxGetApp());
}

}  // namespace

HW_EXPORT int32_t GetID(void) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->GetID();
}

HW_EXPORT uint32_t Verify(const char* challenge) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->Verify(challenge);
}

HW_EXPORT const char* GetName(intptr_t word) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->GetName(word);
}

HW_EXPORT int32_t Init(const HwInitBlock* block) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->RunInit(block);
}

HW_EXPORT int32_t Activate(intptr_t word) {
    AFX_MANAGE_STATE(HwModuleState());
    HardwareListApp* app = App();
    return app ? app->Activate(word) : 0;
}

HW_EXPORT int32_t Deactivate(void) {
    AFX_MANAGE_STATE(HwModuleState());
    HardwareListApp* app = App();
    return app ? app->Deactivate() : 0;
}

HW_EXPORT int32_t Unload(intptr_t word) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->RunUnload(word);
}

HW_EXPORT int32_t GetCommands(intptr_t word) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->GetCommands(word);
}

HW_EXPORT uint32_t Execute(intptr_t a, intptr_t b, intptr_t c) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->RunExecute(a, b, c);
}

HW_EXPORT HWND SetParentAppWindow(HWND hWnd) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->SetParentAppWindow(hWnd);
}

HW_EXPORT int32_t GetConfig(intptr_t a, intptr_t b) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->GetConfig(a, b);
}

HW_EXPORT int32_t SetConfig(intptr_t) {
    AFX_MANAGE_STATE(HwModuleState());
    return 0;
}

HW_EXPORT int32_t Store(intptr_t a, intptr_t b, intptr_t c, intptr_t d) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->Store(a, b, c, d);
}

HW_EXPORT int16_t GetFileList(intptr_t word) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->GetFileList(word);
}

HW_EXPORT int32_t Install(intptr_t) {
    AFX_MANAGE_STATE(HwModuleState());
    return 0;
}

HW_EXPORT void DataSent(intptr_t) {
    AFX_MANAGE_STATE(HwModuleState());
}

HW_EXPORT int32_t Display(const DisplayRequest* request, CString* hostString) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->Display(request, hostString);
}

HW_EXPORT int32_t GetDialog(intptr_t a, intptr_t b, intptr_t c, intptr_t d) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->GetDialog(a, b, c, d);
}

HW_EXPORT BOOL PreTranslateMessage(MSG* pMsg) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->PreTranslateMessage(pMsg);
}

HW_EXPORT bool GetContextValue(int32_t number, CString* hostString) {
    AFX_MANAGE_STATE(HwModuleState());
    return App()->GetContextValue(number, hostString);
}

HW_EXPORT void HaltExecution(bool wait) {
    AFX_MANAGE_STATE(HwModuleState());
    App()->HaltExecution(wait);
}

HW_EXPORT void UnActivate(void) {
    AFX_MANAGE_STATE(HwModuleState());
    App()->UnActivate();
}
