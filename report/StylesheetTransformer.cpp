#include "report/StylesheetTransformer.h"

#include <libxml/parser.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlstring.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/variables.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "platform/ComError.h"
#include "platform/ModuleState.h"
#include "platform/XmlServices.h"
#include "report/CompiledStylesheet.h"
#include "report/StylesFolder.h"
#include "text/XmlText.h"

namespace {

// The report text carries database values: no network, no external entities
// or DTD, and the encoding declaration is ignored because the text is UTF-8
// in memory whatever the prologue says.
constexpr int kReportParseOptions = XML_PARSE_NONET | XML_PARSE_IGNORE_ENC;

// Beyond this a page's string grows as it is written.
constexpr size_t kMaxPageReserve = 64 << 20;

struct DocFree {
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
struct ContextFree {
    void operator()(xsltTransformContextPtr context) const { xsltFreeTransformContext(context); }
};
struct SecurityFree {
    void operator()(xsltSecurityPrefsPtr prefs) const { xsltFreeSecurityPrefs(prefs); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;
using ContextPtr = std::unique_ptr<xsltTransformContext, ContextFree>;
using SecurityPtr = std::unique_ptr<xsltSecurityPrefs, SecurityFree>;

std::string ToValidUtf8OrThrow(const std::string& text) {
    try {
        return ToValidUtf8(text);
    } catch (const std::bad_alloc&) {
        throw _com_error(E_OUTOFMEMORY);
    }
}

// The page as libxml2 writes it, appended straight to the string the host
// gets: libxslt's own string output grows a buffer by doubling, copies it
// once more at the end, and the host's string would be a third copy.
struct PageSink {
    std::string page;
    bool outOfMemory = false;

    static int Write(void* context, const char* bytes, int length) {
        auto* sink = static_cast<PageSink*>(context);
        try {
            sink->page.append(bytes, static_cast<size_t>(length));
        } catch (const std::bad_alloc&) {
            sink->outOfMemory = true;
            return -1;
        }
        return length;
    }
};

// Records why the output stays empty, for the host to read; answers false.
bool Fail(const std::string& reason) {
    SetLastTransformFailure(reason);
    return false;
}

}  // namespace

StylesheetTransformer::~StylesheetTransformer() = default;

void StylesheetTransformer::SetStylesheetPath(CString path) {
    if (path.Compare(m_strStylesheetPath) == 0) return;
    m_pCompiled.reset();
    m_strStylesheetPath = std::move(path);
}

bool StylesheetTransformer::StylesFolder(std::string& folder) {
    if (m_nStylesFolderKnown == 0) {
        CString styles;
        m_nStylesFolderKnown = LookUpStylesFolder(styles) ? 1 : -1;
        if (m_nStylesFolderKnown > 0) {
            styles.Replace('\\', '/');
            m_strStylesFolder = styles.str();
        }
    }
    folder = m_strStylesFolder;
    return m_nStylesFolderKnown > 0;
}

std::vector<std::string> StylesheetTransformer::ReadableFolders() {
    std::vector<std::string> folders;
    const std::string& path = m_strStylesheetPath.str();
    const size_t slash = path.rfind('/');
    folders.push_back(slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1));
    std::string styles;
    if (StylesFolder(styles)) folders.push_back(styles);
    return folders;
}

bool StylesheetTransformer::LoadStylesheet() {
    if (m_pCompiled) return true;
    SetLastTransformFailure("");
    std::string failure;
    m_pCompiled = LoadCompiledStylesheet(m_strStylesheetPath.str(), ReadableFolders(), failure);
    return m_pCompiled ? true : Fail(failure);
}

bool StylesheetTransformer::LookUpStylesFolder(CString& folder) {
    return GetStylesFolder(folder, AfxGetInstanceHandle());
}

bool StylesheetTransformer::Transform(const CString& text, CString& output) {
    SetLastTransformFailure("");
    try {
        if (!m_pCompiled && !LoadStylesheet()) return false;
        XmlErrorSilencer quiet;
        XmlReadLimit limit(ReadableFolders());  // document() reads the same way
        if (!Run(text, output, quiet, limit)) return false;
        // Shared from now on: its first run has made the notes libxml2 and
        // libxslt make at a first use (report/CompiledStylesheet.h).
        ShareCompiledStylesheet(m_pCompiled);
        if (output.IsEmpty()) SetLastTransformFailure("the stylesheet produced no output");
        return true;
    } catch (const std::bad_alloc&) {
        throw _com_error(E_OUTOFMEMORY);
    }
}

bool StylesheetTransformer::Run(const CString& text, CString& output, const XmlErrorSilencer& quiet,
                                const XmlReadLimit& limit) {
    // Valid text, the usual case, is parsed where it stands.
    std::string repaired;
    const bool valid = ValidUtf8Prefix(text.str()) == text.str().size();
    if (!valid) repaired = ToValidUtf8OrThrow(text.str());
    const std::string& report = valid ? text.str() : repaired;
    if (report.size() > INT_MAX) return Fail("the report document is larger than 2 GB");
    DocPtr input(xmlReadMemory(report.data(), static_cast<int>(report.size()), nullptr, "UTF-8",
                               kReportParseOptions));
    if (!input) return Fail("the report document is not well-formed XML: " + quiet.Summary());

    // A report stylesheet has no business writing files or using the network.
    SecurityPtr security(xsltNewSecurityPrefs());
    if (!security) return Fail("out of memory");
    for (xsltSecurityOption option : {XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                                      XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK}) {
        if (xsltSetSecurityPrefs(security.get(), option, xsltSecurityForbid) != 0)
            return Fail("out of memory");
    }
    xsltStylesheetPtr sheet = m_pCompiled->Sheet();
    ContextPtr context(xsltNewTransformContext(sheet, input.get()));
    if (!context || xsltSetCtxtSecurityPrefs(security.get(), context.get()) != 0)
        return Fail("out of memory");

    std::string folder;
    if (StylesFolder(folder)) {
        // Passed as a literal string, so quotes and apostrophes in the folder
        // need no escaping.
        const std::string value = ToValidUtf8OrThrow(folder);
        if (xsltQuoteOneUserParam(context.get(), BAD_CAST "PathName", BAD_CAST value.c_str()) != 0)
            throw _com_error(E_FAIL, "The stylesheet parameter PathName could not be passed");
    }
    for (const auto& parameter : HostParameters()) {
        const std::string value = ToValidUtf8OrThrow(parameter.second);
        if (xsltQuoteOneUserParam(context.get(), BAD_CAST parameter.first.c_str(),
                                  BAD_CAST value.c_str()) != 0)
            throw _com_error(E_FAIL, "A stylesheet parameter could not be passed");
    }

    DocPtr result(
        xsltApplyStylesheetUser(sheet, input.get(), nullptr, nullptr, nullptr, context.get()));
    if (context->state == XSLT_STATE_STOPPED)
        return Fail("the transformation was stopped: " + quiet.Summary());  // terminate, recursion
    if (!result || context->state != XSLT_STATE_OK || limit.Refused())
        return Fail("the stylesheet failed: " + quiet.Summary());
    // The page no longer needs the report or the transformation's state; the
    // writer's buffers then reuse their memory rather than more of the heap.
    context.reset();
    input.reset();

    PageSink sink;
    if (result->children) {  // else the stylesheet produced nothing at all
        // A page is at most about three times its report plus the fixed
        // head; room reserved but not written costs nothing.
        sink.page.reserve(std::min<size_t>(4 * report.size() + 16384, kMaxPageReserve));
        // No encoder: the compiled stylesheet always writes UTF-8, which
        // libxml2 writes as it holds it (report/CompiledStylesheet.cpp).
        xmlOutputBufferPtr buffer =
            xmlOutputBufferCreateIO(PageSink::Write, nullptr, &sink, nullptr);
        if (!buffer) throw std::bad_alloc();
        const int written = xsltSaveResultTo(buffer, result.get(), sheet);
        const int closed = xmlOutputBufferClose(buffer);
        if (sink.outOfMemory) throw std::bad_alloc();
        if (written < 0 || closed < 0)
            return Fail("the transformation's output could not be serialised: " + quiet.Summary());
    }
    output = CString(std::move(sink.page));
    return true;
}
