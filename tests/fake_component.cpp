// A library with every export name but a wrong Verify answer, so the console's
// handshake check has something to refuse.
#include <cstdint>

#define FAKE(type, name, params, value)                                  \
    extern "C" __attribute__((visibility("default"))) type name params { \
        return value;                                                    \
    }

FAKE(int32_t, GetID, (void), 3)
FAKE(uint32_t, Verify, (const char*), 0x12345678u)
FAKE(const char*, GetName, (intptr_t), "Impostor")
FAKE(int32_t, Init, (const void*), 1)
FAKE(int32_t, Activate, (intptr_t), 1)
FAKE(int32_t, Deactivate, (void), 1)
FAKE(int32_t, Unload, (intptr_t), 1)
FAKE(int32_t, GetCommands, (intptr_t), 0)
FAKE(uint32_t, Execute, (intptr_t, intptr_t, intptr_t), 0)
FAKE(void*, SetParentAppWindow, (void*), nullptr)
FAKE(int32_t, GetConfig, (intptr_t, intptr_t), 1)
FAKE(int32_t, SetConfig, (intptr_t), 0)
FAKE(int32_t, Store, (intptr_t, intptr_t, intptr_t, intptr_t), 1)
FAKE(int16_t, GetFileList, (intptr_t), 0)
FAKE(int32_t, Install, (intptr_t), 0)
FAKE(void, DataSent, (intptr_t), void())
FAKE(int32_t, Display, (const void*, void*), 1)
FAKE(int32_t, GetDialog, (intptr_t, intptr_t, intptr_t, intptr_t), 0)
FAKE(int32_t, PreTranslateMessage, (void*), 0)
FAKE(bool, GetContextValue, (int32_t, void*), false)
FAKE(void, HaltExecution, (bool), void())
FAKE(void, UnActivate, (void), void())
