#include "platform/Win32.h"

#include <dlfcn.h>
#include <strings.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

HMODULE AfxModuleFromAddress(const void* address) {
    Dl_info info;
    if (!address || !dladdr(address, &info)) return nullptr;
    return info.dli_fbase;
}

namespace {

std::string AbsolutePath(const char* path) {
    if (!path || !*path) return std::string();
    if (path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return std::string();
    std::string result(cwd);
    if (result.empty() || result.back() != '/') result += '/';
    const char* rest = path;
    if (rest[0] == '.' && rest[1] == '/') rest += 2;
    return result + rest;
}

std::string ProgramPath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::string();
    return std::string(buf, static_cast<size_t>(n));
}

// The module's path as the loader reports it now, made absolute.
std::string ResolveModulePath(HMODULE hModule) {
    // The module's base maps its ELF header, so dladdr names the file.
    Dl_info info;
    if (!dladdr(hModule, &info) || info.dli_fbase != hModule) return std::string();
    std::string path = AbsolutePath(info.dli_fname);
    // The main program may be reported with an empty name.
    return path.empty() ? ProgramPath() : path;
}

// Paths resolved when their modules attached.
std::mutex g_modulePathsLock;
std::vector<std::pair<HMODULE, std::string>> g_modulePaths;

std::string RememberedModulePath(HMODULE hModule) {
    std::lock_guard<std::mutex> guard(g_modulePathsLock);
    for (const auto& entry : g_modulePaths)
        if (entry.first == hModule) return entry.second;
    return std::string();
}

}  // namespace

DWORD GetModuleFileNameA(HMODULE hModule, char* lpFilename, DWORD nSize) {
    if (!lpFilename || nSize == 0) return 0;
    std::string path;
    if (!hModule) {
        path = ProgramPath();
    } else {
        path = RememberedModulePath(hModule);
        if (path.empty()) path = ResolveModulePath(hModule);
    }
    if (path.empty() || path.size() + 1 > nSize) return 0;
    memcpy(lpFilename, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

void AfxRememberModuleFileName(HMODULE hModule) {
    if (!hModule) return;
    std::string path = ResolveModulePath(hModule);
    if (path.empty()) return;
    AfxForgetModuleFileName(hModule);
    std::lock_guard<std::mutex> guard(g_modulePathsLock);
    g_modulePaths.emplace_back(hModule, std::move(path));
}

void AfxForgetModuleFileName(HMODULE hModule) {
    std::lock_guard<std::mutex> guard(g_modulePathsLock);
    for (auto it = g_modulePaths.begin(); it != g_modulePaths.end(); ++it) {
        if (it->first == hModule) {
            g_modulePaths.erase(it);
            return;
        }
    }
}

UINT RegisterWindowMessageA(const char* lpString) {
    static std::mutex lock;
    static std::vector<std::string> names;  // index i has identifier 0xC000 + i
    if (!lpString || !*lpString) return 0;
    std::lock_guard<std::mutex> guard(lock);
    for (size_t i = 0; i < names.size(); ++i)
        if (strcasecmp(names[i].c_str(), lpString) == 0) return static_cast<UINT>(0xC000 + i);
    if (names.size() >= 0x4000) return 0;
    names.emplace_back(lpString);
    return static_cast<UINT>(0xC000 + names.size() - 1);
}

void Sleep(DWORD dwMilliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}
