#include "host/ComponentLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <random>

#include "host/Installation.h"

namespace {

std::string RandomChallenge() {
    std::random_device rd;
    std::mt19937_64 gen(rd());
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (int i = 0; i < 24; ++i) s += digits[gen() % 16];
    return s;
}

template <typename Fn>
bool Resolve(void* handle, const char* name, Fn& fn, std::string& missing) {
    fn = reinterpret_cast<Fn>(dlsym(handle, name));
    if (!fn) {
        if (!missing.empty()) missing += ", ";
        missing += name;
    }
    return fn != nullptr;
}

}  // namespace

std::string DefaultComponentPath() {
    return InstallationFolder() + "Components/HardwareListH.so";
}

ComponentLoader::~ComponentLoader() {
    if (m_handle) dlclose(m_handle);
}

bool ComponentLoader::Load(const std::string& path) {
    m_path = path;
    if (access(path.c_str(), F_OK) != 0) {
        m_error = "component not found: " + path;
        return false;
    }
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* why = dlerror();
        m_error = "cannot load component " + path + ": " + (why ? why : "unknown error");
        return false;
    }
    std::string missing;
    HwExports& e = m_exports;
    Resolve(m_handle, "GetID", e.GetID, missing);
    Resolve(m_handle, "Verify", e.Verify, missing);
    Resolve(m_handle, "GetName", e.GetName, missing);
    Resolve(m_handle, "Init", e.Init, missing);
    Resolve(m_handle, "Activate", e.Activate, missing);
    Resolve(m_handle, "Deactivate", e.Deactivate, missing);
    Resolve(m_handle, "Unload", e.Unload, missing);
    Resolve(m_handle, "GetCommands", e.GetCommands, missing);
    Resolve(m_handle, "Execute", e.Execute, missing);
    Resolve(m_handle, "SetParentAppWindow", e.SetParentAppWindow, missing);
    Resolve(m_handle, "GetConfig", e.GetConfig, missing);
    Resolve(m_handle, "SetConfig", e.SetConfig, missing);
    Resolve(m_handle, "Store", e.Store, missing);
    Resolve(m_handle, "GetFileList", e.GetFileList, missing);
    Resolve(m_handle, "Install", e.Install, missing);
    Resolve(m_handle, "DataSent", e.DataSent, missing);
    Resolve(m_handle, "Display", e.Display, missing);
    Resolve(m_handle, "GetDialog", e.GetDialog, missing);
    Resolve(m_handle, "PreTranslateMessage", e.PreTranslateMessage, missing);
    Resolve(m_handle, "GetContextValue", e.GetContextValue, missing);
    Resolve(m_handle, "HaltExecution", e.HaltExecution, missing);
    Resolve(m_handle, "UnActivate", e.UnActivate, missing);
    if (!missing.empty()) {
        m_error = "component " + path + " lacks the export(s): " + missing;
        return false;
    }
    int32_t id = e.GetID();
    if (id != HW_COMPONENT_ID) {
        m_error = "component " + path + " reports identity " + std::to_string(id) +
                  ", not the hardware component (" + std::to_string(HW_COMPONENT_ID) + ")";
        return false;
    }
    const std::string challenge = RandomChallenge();
    if (e.Verify(challenge.c_str()) != HwVerifyResponse(challenge.c_str())) {
        m_error = "component " + path + " failed the Verify handshake";
        return false;
    }
    HwInitBlock block{};
    block.Reset = 1;
    if (e.Init(&block) == 0) {
        m_error = "component " + path + " refused Init";
        return false;
    }
    return true;
}
