// Writing a command's result: to a file (created only once the content
// exists, so a failure never leaves an empty file) or to standard output.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// path "" or "-": standard output. Reports a failure on stderr and returns false.
bool WriteOutput(const std::string& path, const std::string& content);

// Writes `content` to a new file of a unique name beside `path`, flushes it to
// disk and renames it into place, so a reader never sees half a file and
// writers of the same path (threads or processes) each leave a whole one. A
// file it replaces keeps its mode; a link at `path` is replaced, never
// written through. False with `error` ("cannot write PATH: reason") set,
// leaving nothing behind. Every command that writes a file goes through here.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error);

// Many files written the way WriteFileAtomically writes one, but made durable
// together: Write puts each file at once under a unique temporary name beside
// its own, and a background pass, once 256 files wait or the oldest has
// waited half a second, flushes them all with one syncfs of their file
// system and only then renames them into place. A name never holds a short
// file, whether the machine crashes or the writer is killed (that leaves
// temporary files, never cut pages), and the writers never wait for the
// disk. Thread-safe.
class DurableFileBatch {
public:
    // `onFailure(path, error)` hears, from the background pass, of a file that
    // was written but could not be flushed or renamed; its temporary file is
    // removed.
    explicit DurableFileBatch(
        std::function<void(const std::string& path, const std::string& error)> onFailure);
    // Finish().
    ~DurableFileBatch();
    DurableFileBatch(const DurableFileBatch&) = delete;
    DurableFileBatch& operator=(const DurableFileBatch&) = delete;

    // Writes `content` under a temporary name beside `path`, which takes its
    // place at the next flush. False with `error` ("cannot write PATH:
    // reason") when it could not be written; nothing is left behind then.
    bool Write(const std::string& path, const std::string& content, std::string& error);
    // Flushes and renames everything written so far, flushes the renames
    // too, and stops the background pass. Later writes are refused.
    void Finish();

private:
    struct Pending {
        std::string path, temp;
    };
    void FlushLoop();
    void Flush(std::vector<Pending>& files);

    std::function<void(const std::string&, const std::string&)> m_onFailure;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Pending> m_pending;
    std::chrono::steady_clock::time_point m_oldest;
    // A folder on each file system flushed so far (the background pass's own).
    std::vector<std::pair<unsigned long long, std::string>> m_systems;
    bool m_bFinishing = false;
    std::thread m_flusher;
};

// Removes from `folder` the temporary files that writers here left when they
// were killed outright: names ending in ".tmp-PID-XXXXXXXX" whose process is
// gone, if they are this user's regular files.
void RemoveOrphanedTemporaries(const std::string& folder);

// Creates `folder` and any missing parents. False with `error` set.
bool MakeFolders(const std::string& folder, std::string& error);

// The installation's Styles folder for a component at componentPath.
std::string StylesFolderOf(const std::string& componentPath);

// The local date and time as a page says when it was made: "2024-05-01 14:30".
std::string LocalTimeStamp();
