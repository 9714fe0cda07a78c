// The few Win32 types and calls the component uses, over POSIX.
#pragma once

#include <cstdint>

// unixODBC already defines BOOL, HWND (an opaque pointer), DWORD and UINT as
// 32-bit values; the rest is ours.
#include <sqltypes.h>

#include "platform/Export.h"

typedef void* HINSTANCE;  // a loaded module: its load base address
typedef HINSTANCE HMODULE;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    struct {
        int32_t x, y;
    } pt;
};

// The module that contains `address` (its load base), or null.
HWPLATFORM_API HMODULE AfxModuleFromAddress(const void* address);

// Absolute path of the module's file as the loader reports it, made absolute
// against the working directory when relative (links are not resolved). A
// module attached through AfxAttachModule answers with the path it had at
// load, whatever directory the host is in now. A null module names the
// program. Returns the length copied (without the terminator), or 0 when
// the module is unknown or the buffer too small.
HWPLATFORM_API DWORD GetModuleFileNameA(HMODULE hModule, char* lpFilename, DWORD nSize);

// Resolves the module's path once, now, for GetModuleFileNameA to answer
// with from then on; AfxForgetModuleFileName drops it when the module goes,
// so that another module loaded at the same address is asked afresh.
// AfxAttachModule and AfxDetachModule call them. Thread-safe.
HWPLATFORM_API void AfxRememberModuleFileName(HMODULE hModule);
HWPLATFORM_API void AfxForgetModuleFileName(HMODULE hModule);

// Process-wide, thread-safe: the same name (case-insensitive) always gets the
// same identifier in 0xC000-0xFFFF; 0 for an empty name or a full registry.
HWPLATFORM_API UINT RegisterWindowMessageA(const char* lpString);

HWPLATFORM_API void Sleep(DWORD dwMilliseconds);
