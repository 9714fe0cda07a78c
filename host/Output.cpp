#include "host/Output.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
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

// Writes `content` to a new temporary file beside `path`, with the mode (and,
// for root, the owner) of the file it is to replace, so a private file stays
// private; with `flush`, on disk before this returns (the data and its
// length: fdatasync spares the times). False with `error` set and nothing
// left behind.
bool WriteBeside(const std::string& path, const std::string& content, bool flush, std::string& temp,
                 std::string& error) {
    const int fd = CreateUniqueBeside(path, temp);
    if (fd < 0) {
        error = "cannot write " + path + ": " + strerror(errno);
        return false;
    }
    struct stat old;
    if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        fchmod(fd, old.st_mode & 07777);
        if (geteuid() == 0 && fchown(fd, old.st_uid, old.st_gid) != 0) {
            // The file stays root's; its mode still holds.
        }
    }
    bool ok = WriteAll(fd, content) && (!flush || fdatasync(fd) == 0);
    int saved = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        error = "cannot write " + path + ": " + strerror(saved);
        unlink(temp.c_str());
    }
    return ok;
}

bool RenameInto(const std::string& temp, const std::string& path, std::string& error) {
    if (rename(temp.c_str(), path.c_str()) == 0) return true;
    error = "cannot write " + path + ": " + strerror(errno);
    unlink(temp.c_str());
    return false;
}

// The folder a file is in, for opening its file system.
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

constexpr size_t kFilesPerFlush = 256;
constexpr std::chrono::milliseconds kLongestWait{500};

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error) {
    // On disk before it gets the name, so a crash never leaves a short file there.
    std::string temp;
    return WriteBeside(path, content, true, temp, error) && RenameInto(temp, path, error);
}

DurableFileBatch::DurableFileBatch(
    std::function<void(const std::string& path, const std::string& error)> onFailure)
    : m_onFailure(std::move(onFailure)), m_flusher(&DurableFileBatch::FlushLoop, this) {}

DurableFileBatch::~DurableFileBatch() {
    Finish();
}

bool DurableFileBatch::Write(const std::string& path, const std::string& content,
                             std::string& error) {
    std::string temp;
    if (!WriteBeside(path, content, false, temp, error)) return false;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_bFinishing) {
        lock.unlock();
        unlink(temp.c_str());
        error = "cannot write " + path + ": the batch has finished";
        return false;
    }
    if (m_pending.empty()) m_oldest = std::chrono::steady_clock::now();
    m_pending.push_back({path, std::move(temp)});
    if (m_pending.size() >= kFilesPerFlush) m_wake.notify_one();
    return true;
}

void DurableFileBatch::Finish() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bFinishing = true;
    }
    m_wake.notify_one();
    if (m_flusher.joinable()) m_flusher.join();
}

void DurableFileBatch::FlushLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_pending.empty()) {
            if (m_bFinishing) break;
            m_wake.wait(lock);
            continue;
        }
        const auto due = m_oldest + kLongestWait;
        if (!m_bFinishing && m_pending.size() < kFilesPerFlush &&
            m_wake.wait_until(lock, due) == std::cv_status::no_timeout)
            continue;  // woken early: look again
        std::vector<Pending> files;
        files.swap(m_pending);
        lock.unlock();
        Flush(files);
        lock.lock();
    }
    lock.unlock();
    // The renames themselves, so that a finished batch is on disk entirely.
    for (const auto& system : m_systems) {
        const int fd = open(system.second.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            syncfs(fd);
            close(fd);
        }
    }
}

void DurableFileBatch::Flush(std::vector<Pending>& files) {
    // One syncfs per file system the files are on; a batch writes to one.
    std::vector<std::pair<unsigned long long, std::string>> systems;
    std::vector<std::string> errors(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        struct stat info;
        const std::string folder = FolderOf(files[i].temp);
        if (stat(folder.c_str(), &info) != 0) {
            errors[i] = "cannot write " + files[i].path + ": " + strerror(errno);
            continue;
        }
        bool known = false;
        for (const auto& system : systems) known = known || system.first == info.st_dev;
        if (!known) systems.emplace_back(info.st_dev, folder);
    }
    for (const auto& [device, folder] : systems) {
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const bool synced = fd >= 0 && syncfs(fd) == 0;
        const std::string why = strerror(errno);
        if (fd >= 0) close(fd);
        if (synced) {
            bool kept = false;
            for (const auto& system : m_systems) kept = kept || system.first == device;
            if (!kept) m_systems.emplace_back(device, folder);
            continue;
        }
        for (size_t i = 0; i < files.size(); ++i) {
            struct stat info;
            if (errors[i].empty() && stat(FolderOf(files[i].temp).c_str(), &info) == 0 &&
                info.st_dev == device)
                errors[i] = "cannot write " + files[i].path + ": " + why;
        }
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (errors[i].empty() && RenameInto(files[i].temp, files[i].path, errors[i])) continue;
        unlink(files[i].temp.c_str());
        if (m_onFailure) m_onFailure(files[i].path, errors[i]);
    }
}

void RemoveOrphanedTemporaries(const std::string& folder) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) return;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        const size_t marker = name.rfind(".tmp-");
        if (marker == std::string::npos || marker == 0) continue;
        char* end = nullptr;
        const long pid = strtol(name.c_str() + marker + 5, &end, 10);
        if (pid <= 0 || *end != '-' || strlen(end + 1) != 8 ||
            kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        const std::string path = folder + "/" + name;
        struct stat info;
        if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid())
            unlink(path.c_str());
    }
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
