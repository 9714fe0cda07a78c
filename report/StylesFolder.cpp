#include "report/StylesFolder.h"

#include <cstring>

namespace {

// Index of the last separator in [0, end), or -1.
int LastSeparator(const char* path, int end) {
    for (int i = end - 1; i >= 0; --i)
        if (path[i] == '\\' || path[i] == '/') return i;
    return -1;
}

}  // namespace

bool StylesFolderFromModulePath(CString& folder, const char* modulePath) {
    if (!modulePath) return false;
    const int length = static_cast<int>(strlen(modulePath));
    const int fileStart = LastSeparator(modulePath, length);
    if (fileStart < 0) return false;
    const int rootEnd = LastSeparator(modulePath, fileStart);
    if (rootEnd < 0) return false;
    const char separator = modulePath[rootEnd];
    CString result(modulePath, static_cast<size_t>(rootEnd + 1));
    result += "Styles";
    result += separator;
    folder = result;
    return true;
}

bool GetStylesFolder(CString& folder, HINSTANCE hModule) {
    char path[4096];  // the loader's paths can be longer than Windows' 260 bytes
    if (GetModuleFileNameA(hModule, path, sizeof path) == 0) return false;
    return StylesFolderFromModulePath(folder, path);
}
