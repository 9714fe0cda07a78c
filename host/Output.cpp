#include "host/Output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

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

namespace {

// Creates a file of a new, unpredictable name beside `path`: O_EXCL never opens
// what is already there (a link planted at the name included), and the usual
// creation mode lets the umask apply, as for any new file.
int CreateUniqueBeside(const std::string& path, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        snprintf(suffix, sizeof suffix, ".tmp-%d-%08x", static_cast<int>(getpid()),
                 seed ^ (counter++ * 2654435761u));
        temp = path + suffix;
        const int fd =
            open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t count = write(fd, content.data() + done, content.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error) {
    std::string temp;
    const int fd = CreateUniqueBeside(path, temp);
    if (fd < 0) {
        error = "cannot write " + path + ": " + strerror(errno);
        return false;
    }
    // The new file takes the place of the old one with its mode (and, for
    // root, its owner), so a private file stays private.
    struct stat old;
    if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        fchmod(fd, old.st_mode & 07777);
        if (geteuid() == 0 && fchown(fd, old.st_uid, old.st_gid) != 0) {
            // The file stays root's; its mode still holds.
        }
    }
    // On disk before it gets the name, so a crash never leaves a short file
    // there (the data and its length: fdatasync spares the times).
    bool ok = WriteAll(fd, content) && fdatasync(fd) == 0;
    int saved = errno;
    if (close(fd) != 0 && ok) {
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

std::string LocalTimeStamp() {
    const time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}
