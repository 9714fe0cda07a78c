#include "import/InventoryFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace hwimport {

namespace {

// Reads a file descriptor to its end; refuses more than `maxBytes`.
// `expected`: the size the file says it has, so that one buffer holds it.
std::string ReadAll(int fd, const std::string& name, size_t maxBytes, size_t expected = 0) {
    std::string bytes;
    bytes.reserve(std::min(expected, maxBytes) + 1);
    for (;;) {
        // Read straight into the string, growing it only when it is full.
        const size_t used = bytes.size();
        bytes.resize(used < bytes.capacity() ? bytes.capacity() : used + (1 << 16));
        const ssize_t n = read(fd, &bytes[used], bytes.size() - used);
        bytes.resize(used + static_cast<size_t>(std::max<ssize_t>(n, 0)));
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            throw InventoryError("cannot read " + name + ": " + strerror(errno));
        }
        if (bytes.size() > maxBytes)
            throw InventoryError("the inventory is larger than the " + MegabytesText(maxBytes) +
                                 " limit");
    }
    return bytes;
}

std::string ReadFile(const std::string& path, size_t maxBytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw InventoryError(std::string("cannot open it: ") + strerror(errno));
    struct stat info = {};
    // A huge file is refused before it is read into memory.
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<size_t>(info.st_size) > maxBytes) {
        close(fd);
        throw InventoryError("the inventory is " +
                             MegabytesText(static_cast<size_t>(info.st_size)) + ", over the " +
                             MegabytesText(maxBytes) + " limit");
    }
    try {
        std::string bytes = ReadAll(fd, path, maxBytes, static_cast<size_t>(info.st_size));
        close(fd);
        return bytes;
    } catch (...) {
        close(fd);
        throw;
    }
}

void AddSources(const std::string& path, size_t maxBytes, std::vector<InventorySource>& sources) {
    if (path == "-") {
        sources.push_back(
            {"standard input", [maxBytes] { return ReadAll(0, "standard input", maxBytes); }});
        return;
    }
    struct stat info = {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::vector<std::string> names;
        if (DIR* dir = opendir(path.c_str())) {
            while (const dirent* entry = readdir(dir)) {
                const std::string file = path + (path.back() == '/' ? "" : "/") + entry->d_name;
                struct stat fileInfo = {};
                if (stat(file.c_str(), &fileInfo) == 0 && S_ISREG(fileInfo.st_mode))
                    names.push_back(file);
            }
            closedir(dir);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& file : names)
            sources.push_back({file, [file, maxBytes] { return ReadFile(file, maxBytes); }});
        return;
    }
    sources.push_back({path, [path, maxBytes] { return ReadFile(path, maxBytes); }});
}

}  // namespace

std::vector<InventorySource> SourcesFromPaths(const std::vector<std::string>& paths,
                                              size_t maxBytes) {
    std::vector<InventorySource> sources;
    for (const std::string& path : paths) AddSources(path, maxBytes, sources);
    return sources;
}

}  // namespace hwimport
