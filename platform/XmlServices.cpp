#include "platform/XmlServices.h"

#include <fcntl.h>
#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/uri.h>
#include <libxslt/extensions.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltutils.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>

namespace {

constexpr size_t kMaxMessageBytes = 1024;

thread_local XmlErrorSilencer* t_pSilencer = nullptr;  // the innermost on this thread
thread_local XmlReadLimit* t_pReadLimit = nullptr;
thread_local std::string t_lastTransformFailure;

}  // namespace

// Appends what the libraries report to the thread's innermost silencer.
struct XmlMessageSink {
    static void Add(const char* text) {
        XmlErrorSilencer* silencer = t_pSilencer;
        if (!silencer || !text) return;
        std::string& messages = silencer->m_strMessages;
        if (messages.size() < kMaxMessageBytes)
            messages.append(text, strnlen(text, kMaxMessageBytes - messages.size()));
    }
    static void Refuse(XmlReadLimit& limit, const std::string& why) {
        limit.m_bRefused = true;
        Add((why + "\n").c_str());
    }
    static void Record(XmlReadLimit& limit, XmlFileRead read) {
        limit.m_filesRead.push_back(std::move(read));
    }
    static void AddFormatted(const char* format, va_list args) {
        char text[kMaxMessageBytes];
        vsnprintf(text, sizeof text, format, args);
        Add(text);
    }
};

namespace {

// libxslt has a single error hook for the whole process (libxml2's are per
// thread). While any thread is silenced the hook is ForwardXsltError, which
// keeps what silenced threads report and passes the rest on unchanged.
std::mutex g_xsltHookLock;
int g_xsltHookUsers = 0;
xmlGenericErrorFunc g_pXsltPrevious = nullptr;

void KeepGenericError(void* /*context*/, const char* message, ...) {
    va_list args;
    va_start(args, message);
    XmlMessageSink::AddFormatted(message, args);
    va_end(args);
}

void KeepStructuredError(void* /*context*/, xmlErrorPtr error) {
    if (!error || !error->message) return;
    char prefix[32] = "";
    if (error->line > 0) snprintf(prefix, sizeof prefix, "line %d: ", error->line);
    XmlMessageSink::Add(prefix);
    XmlMessageSink::Add(error->message);
}

void ForwardXsltError(void* context, const char* message, ...) {
    va_list args;
    va_start(args, message);
    if (t_pSilencer) {
        XmlMessageSink::AddFormatted(message, args);
        va_end(args);
        return;
    }
    xmlGenericErrorFunc previous;
    {
        std::lock_guard<std::mutex> guard(g_xsltHookLock);
        previous = g_pXsltPrevious;
    }
    char text[2048];
    vsnprintf(text, sizeof text, message, args);
    va_end(args);
    if (previous) previous(context, "%s", text);
}

// The process-wide entity loader while any thread has a read limit; threads
// without one get the loader that was there before.
std::mutex g_loaderLock;
int g_loaderUsers = 0;
std::atomic<xmlExternalEntityLoader> g_pPreviousLoader{nullptr};

std::string Resolved(const std::string& path) {
    std::unique_ptr<char, void (*)(void*)> real(realpath(path.c_str(), nullptr), free);
    return real ? std::string(real.get()) : std::string();
}

// The local file a URL names, or "" for anything but a local file.
std::string LocalPath(const char* url) {
    std::string text = url ? url : "";
    if (text.compare(0, 16, "file://localhost") == 0)
        text.erase(0, 16);
    else if (text.compare(0, 7, "file://") == 0)
        text.erase(0, 7);
    else if (text.compare(0, 5, "file:") == 0)
        text.erase(0, 5);
    if (text.empty() || text.find("://") != std::string::npos) return std::string();
    // Relative references are escaped when libxml2 builds them (a space as %20).
    if (access(text.c_str(), F_OK) != 0 && text.find('%') != std::string::npos) {
        std::unique_ptr<char, void (*)(void*)> plain(xmlURIUnescapeString(text.c_str(), 0, nullptr),
                                                     free);
        if (plain) text = plain.get();
    }
    return text;
}

xmlParserInputPtr LimitedEntityLoader(const char* url, const char* id, xmlParserCtxtPtr context) {
    XmlReadLimit* limit = t_pReadLimit;
    if (!limit) {
        const xmlExternalEntityLoader previous = g_pPreviousLoader.load();
        return previous ? previous(url, id, context) : nullptr;
    }
    const std::string path = LocalPath(url);
    std::string content, error;
    if (path.empty())
        error = std::string("reading ") + (url ? url : "(no address)") +
                " is refused: only local files are read";
    else if (!limit->Admits(path))
        error = "reading " + path + " is refused: it is outside the Styles folder";
    XmlFileRead read;
    if (error.empty() && ReadXmlFile(path, "file", content, error, &read.stamp)) {
        read.path = path;
        read.contentHash = XmlContentHash(content);
        XmlMessageSink::Record(*limit, std::move(read));
    }
    if (!error.empty()) {
        XmlMessageSink::Refuse(*limit, error);
        return nullptr;
    }
    xmlParserInputBufferPtr buffer = xmlParserInputBufferCreateMem(
        content.data(), static_cast<int>(content.size()), XML_CHAR_ENCODING_NONE);
    if (!buffer) return nullptr;
    xmlParserInputPtr input = xmlNewIOInputStream(context, buffer, XML_CHAR_ENCODING_NONE);
    if (!input) {
        xmlFreeParserInputBuffer(buffer);
        return nullptr;
    }
    // What relative references inside the file resolve against.
    input->filename = reinterpret_cast<char*>(xmlStrdup(BAD_CAST url));
    return input;
}

}  // namespace

void XmlServicesInit() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        // Neither guard is thread-safe: two threads compiling their first
        // stylesheets at once would each make libxslt's extension mutex.
        xsltInit();
        xsltInitGlobals();
    });
}

XmlErrorSilencer::XmlErrorSilencer() {
    XmlServicesInit();  // the per-thread handlers exist once the parser is initialised
    m_pPreviousGeneric = xmlGenericError;
    m_pPreviousGenericContext = xmlGenericErrorContext;
    m_pPreviousStructured = xmlStructuredError;
    m_pPreviousStructuredContext = xmlStructuredErrorContext;
    xmlSetGenericErrorFunc(nullptr, KeepGenericError);
    xmlSetStructuredErrorFunc(nullptr, KeepStructuredError);
    m_pOuter = t_pSilencer;
    t_pSilencer = this;
    std::lock_guard<std::mutex> guard(g_xsltHookLock);
    if (g_xsltHookUsers++ == 0) {
        g_pXsltPrevious = xsltGenericError;
        // The context stays as it was, so a forwarded message lands where it
        // would have gone (libxslt's default handler reads the context too).
        xsltSetGenericErrorFunc(xsltGenericErrorContext, ForwardXsltError);
    }
}

XmlErrorSilencer::~XmlErrorSilencer() {
    {
        std::lock_guard<std::mutex> guard(g_xsltHookLock);
        // A hook the host installed meanwhile is the host's to keep.
        if (--g_xsltHookUsers == 0 && xsltGenericError == ForwardXsltError)
            xsltSetGenericErrorFunc(xsltGenericErrorContext, g_pXsltPrevious);
    }
    t_pSilencer = m_pOuter;
    xmlSetStructuredErrorFunc(m_pPreviousStructuredContext, m_pPreviousStructured);
    xmlSetGenericErrorFunc(m_pPreviousGenericContext, m_pPreviousGeneric);
}

namespace {

long long Nanoseconds(const struct timespec& time) {
    return static_cast<long long>(time.tv_sec) * 1000000000LL + time.tv_nsec;
}

XmlFileStamp StampOf(const struct stat& info) {
    XmlFileStamp stamp;
    stamp.device = static_cast<unsigned long long>(info.st_dev);
    stamp.inode = static_cast<unsigned long long>(info.st_ino);
    stamp.size = static_cast<long long>(info.st_size);
    stamp.modifiedNs = Nanoseconds(info.st_mtim);
    stamp.changedNs = Nanoseconds(info.st_ctim);
    return stamp;
}

}  // namespace

bool XmlFileStamp::Of(const std::string& path, XmlFileStamp& stamp) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    stamp = StampOf(info);
    return true;
}

bool XmlFileStamp::operator==(const XmlFileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modifiedNs == other.modifiedNs && changedNs == other.changedNs;
}

size_t XmlContentHash(const std::string& content) {
    return std::hash<std::string>()(content);
}

std::string XmlErrorSilencer::Summary() const {
    std::string said;
    int lines = 0;
    size_t start = 0;
    while (start < m_strMessages.size() && lines < 3) {
        size_t end = m_strMessages.find('\n', start);
        if (end == std::string::npos) end = m_strMessages.size();
        std::string line = m_strMessages.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
        if (line.empty()) continue;
        said += (lines++ ? "; " : "") + line;
    }
    return said.empty() ? "no reason given" : said;
}

bool ReadXmlFile(const std::string& path, const char* what, std::string& content,
                 std::string& error, XmlFileStamp* stamp) {
    content.clear();
    // Non-blocking, so that a pipe planted at the name cannot hold the open.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = std::string("cannot read ") + what + " " + path + ": " + strerror(errno);
        return false;
    }
    std::unique_ptr<int, void (*)(int*)> owner(new int(fd), [](int* f) {
        close(*f);
        delete f;
    });
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = std::string(what) + " " + path + " is not a regular file";
        return false;
    }
    if (stamp) *stamp = StampOf(info);
    const std::string tooLarge = std::string(what) + " " + path + " is larger than " +
                                 std::to_string(kMaxXmlFileBytes >> 20) + " MB";
    if (static_cast<unsigned long long>(info.st_size) > kMaxXmlFileBytes) {
        error = tooLarge;
        return false;
    }
    content.resize(static_cast<size_t>(info.st_size) + 1);
    size_t length = 0;
    for (;;) {
        if (length == content.size())
            content.resize(std::min(content.size() * 2, kMaxXmlFileBytes + 1));
        const ssize_t count = read(fd, &content[length], content.size() - length);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            error = std::string("cannot read ") + what + " " + path + ": " + strerror(errno);
            return false;
        }
        if (count == 0) break;
        length += static_cast<size_t>(count);
        if (length > kMaxXmlFileBytes) {  // it grew while being read
            error = tooLarge;
            content.clear();
            return false;
        }
    }
    content.resize(length);
    return true;
}

XmlReadLimit::XmlReadLimit(const std::vector<std::string>& folders) : m_folders(folders) {
    XmlServicesInit();
    m_pOuter = t_pReadLimit;
    t_pReadLimit = this;
    std::lock_guard<std::mutex> guard(g_loaderLock);
    if (g_loaderUsers++ == 0) {
        g_pPreviousLoader = xmlGetExternalEntityLoader();
        xmlSetExternalEntityLoader(LimitedEntityLoader);
    }
}

XmlReadLimit::~XmlReadLimit() {
    {
        std::lock_guard<std::mutex> guard(g_loaderLock);
        // A loader the host installed meanwhile is the host's to keep.
        if (--g_loaderUsers == 0 && xmlGetExternalEntityLoader() == LimitedEntityLoader)
            xmlSetExternalEntityLoader(g_pPreviousLoader.load());
    }
    t_pReadLimit = m_pOuter;
}

bool XmlReadLimit::Admits(const std::string& path) const {
    if (!m_bResolved) {
        for (const std::string& folder : m_folders) {
            std::string resolved = Resolved(folder);
            if (resolved.empty()) continue;
            if (resolved.size() > 1 && resolved.back() == '/') resolved.pop_back();
            m_resolved.push_back(resolved);
        }
        m_bResolved = true;
    }
    const std::string resolved = Resolved(path);
    if (resolved.empty()) return false;
    for (const std::string& folder : m_resolved) {
        if (resolved.compare(0, folder.size(), folder) != 0) continue;
        if (folder == "/" || resolved.size() == folder.size() || resolved[folder.size()] == '/')
            return true;
    }
    return false;
}

void SetLastTransformFailure(const std::string& reason) {
    t_lastTransformFailure = reason;
}

std::string GetLastTransformFailure() {
    return t_lastTransformFailure;
}
