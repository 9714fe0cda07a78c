// A library with every export name but a wrong Verify answer, so the console's
// handshake check has something to refuse.
#include <cstdint>

#define FAKE extern "C" __attribute__((visibility("default")))

FAKE int32_t GetID(void) {
    return 3;
}
FAKE uint32_t Verify(const char*) {
    return 0x12345678u;
}
FAKE const char* GetName(intptr_t) {
    return "Impostor";
}
FAKE int32_t Init(const void*) {
    return 1;
}
FAKE int32_t Activate(intptr_t) {
    return 1;
}
FAKE int32_t Deactivate(void) {
    return 1;
}
FAKE int32_t Unload(intptr_t) {
    return 1;
}
FAKE int32_t GetCommands(intptr_t) {
    return 0;
}
FAKE uint32_t Execute(intptr_t, intptr_t, intptr_t) {
    return 0;
}
FAKE void* SetParentAppWindow(void* h) {
    return h;
}
FAKE int32_t GetConfig(intptr_t, intptr_t) {
    return 1;
}
FAKE int32_t SetConfig(intptr_t) {
    return 0;
}
FAKE int32_t Store(intptr_t, intptr_t, intptr_t, intptr_t) {
    return 1;
}
FAKE int16_t GetFileList(intptr_t) {
    return 0;
}
FAKE int32_t Install(intptr_t) {
    return 0;
}
FAKE void DataSent(intptr_t) {}
FAKE int32_t Display(const void*, void*) {
    return 1;
}
FAKE int32_t GetDialog(intptr_t, intptr_t, intptr_t, intptr_t) {
    return 0;
}
FAKE int32_t PreTranslateMessage(void*) {
    return 0;
}
FAKE bool GetContextValue(int32_t, void*) {
    return false;
}
FAKE void HaltExecution(bool) {}
FAKE void UnActivate(void) {}
