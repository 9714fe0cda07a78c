// libxml2 and libxslt stand in for the XML services. Both keep process-wide
// state (initialisation, error hooks, the external entity loader); this is the
// one place that touches it. The host may use the same libraries, so nothing
// here is ever torn down (no xmlCleanupParser) and every hook is given back as
// it was found.
#pragma once

#include <libxml/xmlerror.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Export.h"

// Initialises libxml2 and libxslt once per process; any thread may call it,
// any number of times.
HWPLATFORM_API void XmlServicesInit();

// While alive, libxml2 and libxslt errors raised on the calling thread are
// kept in the silencer instead of reaching stderr. The thread's own libxml2
// handlers come back when it ends; libxslt's process-wide handler keeps
// serving other threads meanwhile and is restored when the last silencer on
// any thread ends. Scopes nest (the innermost keeps the messages). Create and
// destroy on the same thread. Initialises the libraries if that has not
// happened yet.
class HWPLATFORM_API XmlErrorSilencer {
public:
    XmlErrorSilencer();
    ~XmlErrorSilencer();
    XmlErrorSilencer(const XmlErrorSilencer&) = delete;
    XmlErrorSilencer& operator=(const XmlErrorSilencer&) = delete;

    // The first messages raised since this silencer began, on one line each
    // ("line N: " before a parser's message), at most about 1 KB.
    const std::string& Messages() const { return m_strMessages; }
    // The first three of them on one line, joined by "; ", or "no reason
    // given" when there were none.
    std::string Summary() const;

private:
    friend struct XmlMessageSink;
    xmlGenericErrorFunc m_pPreviousGeneric;
    void* m_pPreviousGenericContext;
    xmlStructuredErrorFunc m_pPreviousStructured;
    void* m_pPreviousStructuredContext;
    XmlErrorSilencer* m_pOuter;
    std::string m_strMessages;
};

// The largest file the XML services read: a stylesheet, or anything it reads.
constexpr size_t kMaxXmlFileBytes = 16u << 20;

// One version of a file as the file system describes it, without reading it:
// where it lives, its size, and its modification and change times in
// nanoseconds. Writing the file in place changes the times, replacing it
// changes the inode; the change time cannot be set back by any tool.
struct HWPLATFORM_API XmlFileStamp {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = -1;
    long long modifiedNs = 0;
    long long changedNs = 0;

    // The stamp of what `path` names now (links followed); false when there
    // is nothing there.
    static bool Of(const std::string& path, XmlFileStamp& stamp);
    bool operator==(const XmlFileStamp& other) const;
    bool operator!=(const XmlFileStamp& other) const { return !(*this == other); }
};

// Reads the regular file at `path` (links followed) into `content`, never more
// than kMaxXmlFileBytes. False with `error` in words, naming the file as
// `what` PATH: missing or unreadable, not a regular file (a device, a pipe or
// a folder is never read), or larger than the limit (also when it grows while
// being read). With `stamp`, also the stamp of the file that was read, taken
// from the open file before reading.
HWPLATFORM_API bool ReadXmlFile(const std::string& path, const char* what, std::string& content,
                                std::string& error, XmlFileStamp* stamp = nullptr);

// A file read under an XmlReadLimit: the path it was opened by, its stamp and
// a hash of the bytes read.
struct XmlFileRead {
    std::string path;
    XmlFileStamp stamp;
    size_t contentHash = 0;
};

// While alive, every file libxml2 and libxslt open for the calling thread
// (xsl:import and xsl:include, document(), external DTDs and entities) must be
// a local file inside one of `folders` (links resolved before the check) and
// is read with ReadXmlFile; anything else is refused, and why goes to the
// thread's silencer. Other threads load as before; the process-wide loader is
// given back when the last limit on any thread ends. The innermost limit on a
// thread applies. Create and destroy on the same thread.
class HWPLATFORM_API XmlReadLimit {
public:
    explicit XmlReadLimit(const std::vector<std::string>& folders);
    ~XmlReadLimit();
    XmlReadLimit(const XmlReadLimit&) = delete;
    XmlReadLimit& operator=(const XmlReadLimit&) = delete;

    // Whether `path` lies inside one of the folders (false for a path that
    // does not exist).
    bool Admits(const std::string& path) const;
    // Whether a read was refused under this limit: what was refused is not
    // read, and the caller fails rather than carry on without it.
    bool Refused() const { return m_bRefused; }
    // Every file read under this limit, in the order read.
    const std::vector<XmlFileRead>& FilesRead() const { return m_filesRead; }

private:
    friend struct XmlMessageSink;
    // The folders are resolved at the first read: most limits see none.
    std::vector<std::string> m_folders;
    mutable std::vector<std::string> m_resolved;  // without a trailing '/'
    mutable bool m_bResolved = false;
    XmlReadLimit* m_pOuter;
    bool m_bRefused = false;
    std::vector<XmlFileRead> m_filesRead;
};

// A hash of `content` for telling two versions of a file apart when their
// stamps agree.
HWPLATFORM_API size_t XmlContentHash(const std::string& content);

// Why the calling thread's last stylesheet transformation left its output
// empty, in words; "" when it produced output. The transformer sets it, and a
// host reads it after Display has left its string empty. Per thread, like a
// thread's COM error object; kept here so that the component and its host
// share one copy.
HWPLATFORM_API void SetLastTransformFailure(const std::string& reason);
HWPLATFORM_API std::string GetLastTransformFailure();
