#include "host/Output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool WriteOutput(const std::string& path, const std::string& content) {
    if (path.empty() || path == "-") {
        if (fwrite(content.data(), 1, content.size(), stdout) != content.size() || fflush(stdout)) {
            fprintf(stderr, "hwconsole: cannot write to standard output: %s\n", strerror(errno));
            return false;
        }
        return true;
    }
    std::string error;
    if (!WriteFileAtomically(path, content, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error) {
    const std::string temp = path + ".tmp";
    FILE* file = fopen(temp.c_str(), "wb");
    if (!file) {
        error = "cannot write " + path + ": " + strerror(errno);
        return false;
    }
    bool ok = fwrite(content.data(), 1, content.size(), file) == content.size();
    int saved = errno;
    if (fclose(file) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        error = "cannot write " + path + ": " + strerror(saved);
        unlink(temp.c_str());
    }
    return ok;
}

bool MakeFolders(const std::string& folder, std::string& error) {
    for (size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos != folder.size() && folder[pos] != '/') continue;
        const std::string part = folder.substr(0, pos);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot create folder " + part + ": " + strerror(errno);
            return false;
        }
    }
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = "not a folder: " + folder;
        return false;
    }
    if (access(folder.c_str(), W_OK) != 0) {
        error = "cannot write to folder " + folder + ": " + strerror(errno);
        return false;
    }
    return true;
}

std::string StylesFolderOf(const std::string& componentPath) {
    size_t file = componentPath.rfind('/');
    if (file == std::string::npos || file == 0) return "";
    size_t root = componentPath.rfind('/', file - 1);
    if (root == std::string::npos) return "";
    return componentPath.substr(0, root + 1) + "Styles/";
}
