#include "report/CompiledStylesheet.h"

#include <libxml/parser.h>
#include <libxml/xmlstring.h>
#include <libxslt/imports.h>
#include <libxslt/templates.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>

#include <cstdint>
#include <ctime>
#include <mutex>
#include <utility>

namespace {

// The stylesheet is an installation file: read it the way libxslt reads its
// own imports (entities expanded, DTD defaults applied) but never from the
// network.
constexpr int kStylesheetParseOptions = XSLT_PARSE_OPTIONS | XML_PARSE_NONET;

constexpr size_t kMaxKept = 16;
constexpr long long kMaxKeptBytes = 32LL << 20;  // of stylesheet source, all files
// Local file systems stamp with a clock that moves in ticks of a few
// milliseconds, some in whole seconds or two; a file changed less than this
// before it was read may be rewritten later with the very same stamp.
constexpr long long kStampTrustedAfterNs = 2000000000LL;

long long RealTimeNs() {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

bool ChangedSince(const XmlFileStamp& stamp, long long ns) {
    return stamp.modifiedNs > ns || stamp.changedNs > ns;
}

bool AnyChangedSince(const std::vector<XmlFileRead>& files, long long ns) {
    for (const XmlFileRead& file : files)
        if (ChangedSince(file.stamp, ns)) return true;
    return false;
}

// libxslt resolves the template that xsl:call-template names at the call's
// first run and stores it in the compiled stylesheet; resolving every one
// now, as that run would, leaves nothing to store while transforming.
// xsl:number and extension elements write their compiled data at every run,
// so a stylesheet that has them is not shared. False: not shareable.
bool PrepareForSharing(xsltStylesheetPtr sheet) {
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> doc(xmlNewDoc(BAD_CAST "1.0"), xmlFreeDoc);
    if (!doc) return false;
    std::unique_ptr<xsltTransformContext, void (*)(xsltTransformContextPtr)> context(
        xsltNewTransformContext(sheet, doc.get()), xsltFreeTransformContext);
    if (!context) return false;
    for (xsltStylesheetPtr style = sheet; style; style = xsltNextImport(style)) {
        for (xsltElemPreCompPtr compiled = style->preComps; compiled; compiled = compiled->next) {
            if (compiled->type == XSLT_FUNC_NUMBER || compiled->type == XSLT_FUNC_EXTENSION)
                return false;
            if (compiled->type != XSLT_FUNC_CALLTEMPLATE) continue;
            auto* call = reinterpret_cast<xsltStylePreCompPtr>(compiled);
            if (!call->templ) call->templ = xsltFindTemplate(context.get(), call->name, call->ns);
            if (!call->templ) return false;  // fails when run; never shared
        }
    }
    return true;
}

std::shared_ptr<const CompiledStylesheet> Compile(const std::string& key, const std::string& path,
                                                  const std::vector<std::string>& readableFolders,
                                                  std::string& failure) {
    const long long startedNs = RealTimeNs();
    XmlErrorSilencer quiet;
    // Imports and external entities come from the readable folders only.
    XmlReadLimit limit(readableFolders);
    std::vector<XmlFileRead> files(1);
    files[0].path = path;
    std::string content;
    if (!ReadXmlFile(path, "stylesheet", content, failure, &files[0].stamp)) return nullptr;
    files[0].contentHash = XmlContentHash(content);
    // The path is the base against which xsl:import and xsl:include resolve.
    xmlDocPtr doc = xmlReadMemory(content.data(), static_cast<int>(content.size()), path.c_str(),
                                  nullptr, kStylesheetParseOptions);
    if (!doc) {
        failure = "stylesheet " + path + " is not well-formed XML: " + quiet.Summary();
        return nullptr;
    }
    xsltStylesheetPtr sheet = xsltParseStylesheetDoc(doc);
    if (!sheet || limit.Refused()) {
        if (sheet)
            xsltFreeStylesheet(sheet);  // and the document it was compiled from
        else
            xmlFreeDoc(doc);
        failure = "stylesheet " + path + " is not a usable XSLT stylesheet: " + quiet.Summary();
        return nullptr;
    }
    // The host's string is UTF-8; whatever xsl:output names, the result is
    // written in UTF-8 (an HTML page's charset meta then says so too).
    if (!sheet->encoding || xmlStrcasecmp(sheet->encoding, BAD_CAST "UTF-8") != 0) {
        xmlFree(sheet->encoding);
        sheet->encoding = xmlStrdup(BAD_CAST "UTF-8");
    }
    files.insert(files.end(), limit.FilesRead().begin(), limit.FilesRead().end());
    const bool recent = AnyChangedSince(files, startedNs - kStampTrustedAfterNs);
    return std::make_shared<CompiledStylesheet>(key, sheet, std::move(files),
                                                PrepareForSharing(sheet), recent);
}

// The kept stylesheets, by path and readable folders. The list lives on the
// heap and goes with its last entry: a component unloaded without releasing
// it would show as a leak.
struct Kept {
    std::string key;
    std::shared_ptr<const CompiledStylesheet> sheet;
    long long bytes;
    uint64_t lastUse;
};
std::mutex g_keptLock;
std::vector<Kept>* g_pKept = nullptr;
uint64_t g_useClock = 0;

std::shared_ptr<const CompiledStylesheet> FindKept(const std::string& key) {
    std::lock_guard<std::mutex> guard(g_keptLock);
    if (!g_pKept) return nullptr;
    for (Kept& kept : *g_pKept) {
        if (kept.key != key) continue;
        kept.lastUse = ++g_useClock;
        return kept.sheet;
    }
    return nullptr;
}

void DropLocked(std::vector<Kept>::iterator it,
                std::vector<std::shared_ptr<const CompiledStylesheet>>& dropped) {
    dropped.push_back(std::move(it->sheet));
    g_pKept->erase(it);
}

void Keep(const std::string& key, const std::shared_ptr<const CompiledStylesheet>& sheet) {
    long long bytes = 0;
    for (const XmlFileRead& file : sheet->Files()) bytes += file.stamp.size;
    if (bytes > kMaxKeptBytes) return;
    // Freed after the lock is given back: freeing a stylesheet takes a while.
    std::vector<std::shared_ptr<const CompiledStylesheet>> dropped;
    std::lock_guard<std::mutex> guard(g_keptLock);
    if (!g_pKept) g_pKept = new std::vector<Kept>();
    long long keptBytes = bytes;
    for (auto it = g_pKept->begin(); it != g_pKept->end();) {
        if (it->key == key) {
            DropLocked(it, dropped);
            continue;
        }
        keptBytes += it->bytes;
        ++it;
    }
    while (!g_pKept->empty() && (g_pKept->size() >= kMaxKept || keptBytes > kMaxKeptBytes)) {
        auto oldest = g_pKept->begin();
        for (auto it = g_pKept->begin(); it != g_pKept->end(); ++it)
            if (it->lastUse < oldest->lastUse) oldest = it;
        keptBytes -= oldest->bytes;
        DropLocked(oldest, dropped);
    }
    g_pKept->push_back({key, sheet, bytes, ++g_useClock});
}

void Forget(const std::string& key, const CompiledStylesheet* stale) {
    std::shared_ptr<const CompiledStylesheet> dropped;
    std::lock_guard<std::mutex> guard(g_keptLock);
    if (!g_pKept) return;
    for (auto it = g_pKept->begin(); it != g_pKept->end(); ++it) {
        if (it->key == key && it->sheet.get() == stale) {
            dropped = std::move(it->sheet);
            g_pKept->erase(it);
            return;
        }
    }
}

}  // namespace

CompiledStylesheet::CompiledStylesheet(std::string key, _xsltStylesheet* sheet,
                                       std::vector<XmlFileRead> files, bool shareable,
                                       bool compareContent)
    : m_strKey(std::move(key)),
      m_pSheet(sheet),
      m_files(std::move(files)),
      m_bShareable(shareable),
      m_bCompareContent(compareContent) {}

CompiledStylesheet::~CompiledStylesheet() {
    xsltFreeStylesheet(m_pSheet);  // and the document it was compiled from
}

bool CompiledStylesheet::IsCurrent() const {
    if (!m_bCompareContent) {
        for (const XmlFileRead& file : m_files) {
            XmlFileStamp now;
            if (!XmlFileStamp::Of(file.path, now) || now != file.stamp) return false;
        }
        return true;
    }
    // Taken before the files are read: whatever changes them later gets a
    // later change time, which the stamps then show.
    const long long checkedNs = RealTimeNs();
    for (const XmlFileRead& file : m_files) {
        std::string content, error;
        XmlFileStamp now;
        if (!ReadXmlFile(file.path, "file", content, error, &now) || now != file.stamp ||
            XmlContentHash(content) != file.contentHash)
            return false;
    }
    if (!AnyChangedSince(m_files, checkedNs - kStampTrustedAfterNs)) m_bCompareContent = false;
    return true;
}

std::shared_ptr<const CompiledStylesheet> LoadCompiledStylesheet(
    const std::string& path, const std::vector<std::string>& readableFolders,
    std::string& failure) {
    // What a compilation may read depends on the folders as much as on the path.
    std::string key = path;
    for (const std::string& folder : readableFolders) key += '\n' + folder;
    if (std::shared_ptr<const CompiledStylesheet> kept = FindKept(key)) {
        if (kept->IsCurrent()) return kept;
        Forget(key, kept.get());
    }
    return Compile(key, path, readableFolders, failure);
}

void ShareCompiledStylesheet(const std::shared_ptr<const CompiledStylesheet>& sheet) {
    if (!sheet || !sheet->m_bFresh) return;
    sheet->m_bFresh = false;
    if (sheet->Shareable()) Keep(sheet->Key(), sheet);
}

void ReleaseCompiledStylesheets() {
    std::vector<Kept>* kept = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_keptLock);
        std::swap(kept, g_pKept);
    }
    delete kept;
}

size_t CompiledStylesheetsKept() {
    std::lock_guard<std::mutex> guard(g_keptLock);
    return g_pKept ? g_pKept->size() : 0;
}
