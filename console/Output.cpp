#include "console/Output.h"

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
    // Write beside the target and rename, so a reader never sees half a file.
    const std::string temp = path + ".tmp";
    FILE* file = fopen(temp.c_str(), "wb");
    if (!file) {
        fprintf(stderr, "hwconsole: cannot write %s: %s\n", path.c_str(), strerror(errno));
        return false;
    }
    bool ok = fwrite(content.data(), 1, content.size(), file) == content.size();
    ok = (fclose(file) == 0) && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        fprintf(stderr, "hwconsole: cannot write %s: %s\n", path.c_str(), strerror(errno));
        unlink(temp.c_str());
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
