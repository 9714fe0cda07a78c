// Loading the hardware component and reaching it only through its exports,
// as the suite's console does.
#pragma once

#include <string>

#include "HardwareList.h"

// The 22 exports, resolved by name; all set once Load succeeded.
struct HwExports {
    HwGetIDFn GetID = nullptr;
    HwVerifyFn Verify = nullptr;
    HwGetNameFn GetName = nullptr;
    HwInitFn Init = nullptr;
    HwActivateFn Activate = nullptr;
    HwDeactivateFn Deactivate = nullptr;
    HwUnloadFn Unload = nullptr;
    HwGetCommandsFn GetCommands = nullptr;
    HwExecuteFn Execute = nullptr;
    HwSetParentAppWindowFn SetParentAppWindow = nullptr;
    HwGetConfigFn GetConfig = nullptr;
    HwSetConfigFn SetConfig = nullptr;
    HwStoreFn Store = nullptr;
    HwGetFileListFn GetFileList = nullptr;
    HwInstallFn Install = nullptr;
    HwDataSentFn DataSent = nullptr;
    HwDisplayFn Display = nullptr;
    HwGetDialogFn GetDialog = nullptr;
    HwPreTranslateMessageFn PreTranslateMessage = nullptr;
    HwGetContextValueFn GetContextValue = nullptr;
    HwHaltExecutionFn HaltExecution = nullptr;
    HwUnActivateFn UnActivate = nullptr;
};

// Owns one dlopen handle of the component; closes it when destroyed. Not
// copyable. Display may be called from several threads at once, each with
// its own connection.
class ComponentLoader {
public:
    ComponentLoader() = default;
    ~ComponentLoader();
    ComponentLoader(const ComponentLoader&) = delete;
    ComponentLoader& operator=(const ComponentLoader&) = delete;

    // Loads the library, resolves all 22 exports, checks the identity and the
    // Verify handshake, and calls Init with the reset field set. On failure
    // returns false and Error() says why in words a user understands.
    bool Load(const std::string& path);

    // Valid while the loader lives, after a successful Load.
    const HwExports& Exports() const { return m_exports; }
    // The path Load was given, as given.
    const std::string& Path() const { return m_path; }
    // Why the last Load failed.
    const std::string& Error() const { return m_error; }

private:
    void* m_handle = nullptr;
    HwExports m_exports;
    std::string m_path;
    std::string m_error;
};

// The installation's component: <root>/Components/HardwareListH.so.
std::string DefaultComponentPath();
