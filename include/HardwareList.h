// HardwareList component interface: what a host compiles against to load
// Components/HardwareListH.so with dlopen and drive it through its exports.
//
// Host and component share the platform library (CString, CDatabase,
// CDataConnection, CDBException), so host strings cross the boundary safely
// and a database exception thrown by the component can be caught by the host.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/CString.h"
#include "platform/DataConnection.h"
#include "platform/Database.h"
#include "platform/Win32.h"

// ---------------------------------------------------------------------------
// Blocks the host passes in

// Argument of Init. Only Reset is examined: nonzero clears the component's
// busy and halt-requested flags before it initialises.
struct HwInitBlock {
    uint32_t reserved0;
    uint32_t reserved4;
    uint32_t reserved8;
    uint32_t Reset;  // the 32-bit value at byte offset 12
    uint32_t reserved16[4];
};
static_assert(offsetof(HwInitBlock, Reset) == 12, "reset field sits at byte offset 12");

// Argument of Display. Field order follows the suite's layout with its
// unexamined slots kept; the component reads Connection, User, PCID and
// CompanyName.
struct DisplayRequest {
    int32_t reserved0 = 0;
    CDataConnection* Connection = nullptr;
    int32_t reserved8 = 0;
    CString User;
    int32_t PCID = 0;
    int32_t reserved20[5] = {};
    CString CompanyName;
};

// ---------------------------------------------------------------------------
// Verify: challenge and response
//
// The host sends a zero-terminated challenge of its choosing (a fresh random
// text each time); the component answers with HwVerifyResponse(challenge).
// The response is a keyed hash: 64-bit FNV-1a over key || challenge || key,
// folded to 32 bits (high word XOR low word). A host that gets a different
// answer is not talking to a genuine component.
inline uint32_t HwVerifyResponse(const char* challenge) {
    static const char kKey[] = "HardwareList/component-3/8d2f61c4";
    uint64_t h = 14695981039346656037ull;
    auto mix = [&h](const char* p) {
        for (; p && *p; ++p) {
            h ^= static_cast<unsigned char>(*p);
            h *= 1099511628211ull;
        }
    };
    mix(kKey);
    mix(challenge);
    mix(kKey);
    return static_cast<uint32_t>(h >> 32) ^ static_cast<uint32_t>(h);
}

// ---------------------------------------------------------------------------
// The exports, as function-pointer types for hosts (resolve with dlsym by the
// name after "Hw" and before "Fn": HwGetIDFn is "GetID").

#define HW_COMPONENT_ID 3
#define HW_EXECUTE_NOT_SUPPORTED 0x80000000u

extern "C" {
typedef int32_t (*HwGetIDFn)(void);
typedef uint32_t (*HwVerifyFn)(const char* challenge);
typedef const char* (*HwGetNameFn)(intptr_t);
typedef int32_t (*HwInitFn)(const HwInitBlock* block);
typedef int32_t (*HwActivateFn)(intptr_t);
typedef int32_t (*HwDeactivateFn)(void);
typedef int32_t (*HwUnloadFn)(intptr_t);
typedef int32_t (*HwGetCommandsFn)(intptr_t);
typedef uint32_t (*HwExecuteFn)(intptr_t, intptr_t, intptr_t);
typedef HWND (*HwSetParentAppWindowFn)(HWND);
typedef int32_t (*HwGetConfigFn)(intptr_t, intptr_t);
typedef int32_t (*HwSetConfigFn)(intptr_t);
typedef int32_t (*HwStoreFn)(intptr_t, intptr_t, intptr_t, intptr_t);
typedef int16_t (*HwGetFileListFn)(intptr_t);
typedef int32_t (*HwInstallFn)(intptr_t);
typedef void (*HwDataSentFn)(intptr_t);
// Renders the report of request->PCID into *hostString. On entry *hostString
// is empty or the folder (ending in a separator) to load the stylesheet from.
// Returns 1; *hostString holds the HTML, or is empty when the transformation
// failed. A CDBException from the database passes through to the caller.
typedef int32_t (*HwDisplayFn)(const DisplayRequest* request, CString* hostString);
typedef int32_t (*HwGetDialogFn)(intptr_t, intptr_t, intptr_t, intptr_t);
typedef BOOL (*HwPreTranslateMessageFn)(MSG* msg);
typedef bool (*HwGetContextValueFn)(int32_t number, CString* hostString);
typedef void (*HwHaltExecutionFn)(bool wait);
typedef void (*HwUnActivateFn)(void);
}

// The 22 export names, in table order.
inline constexpr const char* kHwExportNames[] = {
    "GetID",
    "Verify",
    "GetName",
    "Init",
    "Activate",
    "Deactivate",
    "Unload",
    "GetCommands",
    "Execute",
    "SetParentAppWindow",
    "GetConfig",
    "SetConfig",
    "Store",
    "GetFileList",
    "Install",
    "DataSent",
    "Display",
    "GetDialog",
    "PreTranslateMessage",
    "GetContextValue",
    "HaltExecution",
    "UnActivate",
};
