#include "report/StylesheetTransformer.h"

#include <libxml/parser.h>
#include <libxml/xmlstring.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/variables.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <climits>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "platform/ComError.h"
#include "platform/ModuleState.h"
#include "platform/XmlServices.h"
#include "report/StylesFolder.h"
#include "text/XmlText.h"

namespace {

// The stylesheet is an installation file: read it the way libxslt reads its
// own imports (entities expanded, DTD defaults applied) but never from the
// network.
constexpr int kStylesheetParseOptions = XSLT_PARSE_OPTIONS | XML_PARSE_NONET;

// The report text carries database values: no network, no external entities
// or DTD, and the encoding declaration is ignored because the text is UTF-8
// in memory whatever the prologue says.
constexpr int kReportParseOptions = XML_PARSE_NONET | XML_PARSE_IGNORE_ENC;

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

// Records why the output stays empty, for the host to read; answers false.
bool Fail(const std::string& reason) {
    SetLastTransformFailure(reason);
    return false;
}

// What the XML services said, on one line: their first few messages.
std::string Said(const XmlErrorSilencer& quiet) {
    std::string said;
    int lines = 0;
    size_t start = 0;
    const std::string& messages = quiet.Messages();
    while (start < messages.size() && lines < 3) {
        size_t end = messages.find('\n', start);
        if (end == std::string::npos) end = messages.size();
        std::string line = messages.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
        if (line.empty()) continue;
        said += (lines++ ? "; " : "") + line;
    }
    return said.empty() ? "no reason given" : said;
}

}  // namespace

StylesheetTransformer::~StylesheetTransformer() {
    Release();
}

void StylesheetTransformer::Release() {
    if (m_pTemplate)
        xsltFreeStylesheet(m_pTemplate);  // frees the document it was compiled from
    else if (m_pStylesheetDocument)
        xmlFreeDoc(m_pStylesheetDocument);
    m_pTemplate = nullptr;
    m_pStylesheetDocument = nullptr;
    m_bLoaded = false;
}

void StylesheetTransformer::SetStylesheetPath(CString path) {
    if (path.Compare(m_strStylesheetPath) == 0) return;
    Release();
    m_strStylesheetPath = std::move(path);
}

std::vector<std::string> StylesheetTransformer::ReadableFolders() {
    std::vector<std::string> folders;
    const std::string& path = m_strStylesheetPath.str();
    const size_t slash = path.rfind('/');
    folders.push_back(slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1));
    CString styles;
    if (LookUpStylesFolder(styles)) {
        styles.Replace('\\', '/');
        folders.push_back(styles.str());
    }
    return folders;
}

bool StylesheetTransformer::LoadStylesheet() {
    if (m_bLoaded) return true;
    SetLastTransformFailure("");
    XmlErrorSilencer quiet;
    // Imports and external entities come from the Styles folder or the
    // stylesheet's own folder, and nowhere else.
    XmlReadLimit limit(ReadableFolders());

    const std::string& path = m_strStylesheetPath.str();
    std::string content, error;
    if (!ReadXmlFile(path, "stylesheet", content, error)) return Fail(error);
    // The path is the base against which xsl:import and xsl:include resolve.
    m_pStylesheetDocument = xmlReadMemory(content.data(), static_cast<int>(content.size()),
                                          path.c_str(), nullptr, kStylesheetParseOptions);
    if (!m_pStylesheetDocument)
        return Fail("stylesheet " + path + " is not well-formed XML: " + Said(quiet));
    m_pTemplate = xsltParseStylesheetDoc(m_pStylesheetDocument);
    if (!m_pTemplate || limit.Refused()) {
        Release();
        return Fail("stylesheet " + path + " is not a usable XSLT stylesheet: " + Said(quiet));
    }
    // The host's string is UTF-8; whatever xsl:output names, the result is
    // written in UTF-8 (an HTML page's charset meta then says so too).
    if (!m_pTemplate->encoding || xmlStrcasecmp(m_pTemplate->encoding, BAD_CAST "UTF-8") != 0) {
        xmlFree(m_pTemplate->encoding);
        m_pTemplate->encoding = xmlStrdup(BAD_CAST "UTF-8");
    }
    m_bLoaded = true;
    return true;
}

bool StylesheetTransformer::LookUpStylesFolder(CString& folder) {
    return GetStylesFolder(folder, AfxGetInstanceHandle());
}

bool StylesheetTransformer::Transform(const CString& text, CString& output) {
    SetLastTransformFailure("");
    try {
        if (!m_bLoaded && !LoadStylesheet()) return false;
        XmlErrorSilencer quiet;
        XmlReadLimit limit(ReadableFolders());  // document() reads the same way
        if (!Run(text, output, quiet, limit)) return false;
        if (output.IsEmpty()) SetLastTransformFailure("the stylesheet produced no output");
        return true;
    } catch (const std::bad_alloc&) {
        throw _com_error(E_OUTOFMEMORY);
    }
}

bool StylesheetTransformer::Run(const CString& text, CString& output, const XmlErrorSilencer& quiet,
                                const XmlReadLimit& limit) {
    const std::string report = ToValidUtf8OrThrow(text.str());
    if (report.size() > INT_MAX) return Fail("the report document is larger than 2 GB");
    DocPtr input(xmlReadMemory(report.data(), static_cast<int>(report.size()), nullptr, "UTF-8",
                               kReportParseOptions));
    if (!input) return Fail("the report document is not well-formed XML: " + Said(quiet));

    // A report stylesheet has no business writing files or using the network.
    SecurityPtr security(xsltNewSecurityPrefs());
    if (!security) return Fail("out of memory");
    for (xsltSecurityOption option : {XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                                      XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK}) {
        if (xsltSetSecurityPrefs(security.get(), option, xsltSecurityForbid) != 0)
            return Fail("out of memory");
    }
    ContextPtr context(xsltNewTransformContext(m_pTemplate, input.get()));
    if (!context || xsltSetCtxtSecurityPrefs(security.get(), context.get()) != 0)
        return Fail("out of memory");

    CString folder;
    if (LookUpStylesFolder(folder)) {
        folder.Replace('\\', '/');
        // Passed as a literal string, so quotes and apostrophes in the folder
        // need no escaping.
        const std::string value = ToValidUtf8OrThrow(folder.str());
        if (xsltQuoteOneUserParam(context.get(), BAD_CAST "PathName", BAD_CAST value.c_str()) != 0)
            throw _com_error(E_FAIL, "The stylesheet parameter PathName could not be passed");
    }

    DocPtr result(xsltApplyStylesheetUser(m_pTemplate, input.get(), nullptr, nullptr, nullptr,
                                          context.get()));
    if (context->state == XSLT_STATE_STOPPED)
        return Fail("the transformation was stopped: " + Said(quiet));  // terminate, recursion
    if (!result || context->state != XSLT_STATE_OK || limit.Refused())
        return Fail("the stylesheet failed: " + Said(quiet));

    xmlChar* html = nullptr;
    int length = 0;
    if (xsltSaveResultToString(&html, &length, result.get(), m_pTemplate) != 0)
        return Fail("the transformation's output could not be serialised: " + Said(quiet));
    std::unique_ptr<xmlChar, void (*)(void*)> owned(html, xmlFree);
    if (html)
        output = CString(reinterpret_cast<const char*>(html), static_cast<size_t>(length));
    else
        output.Empty();  // the stylesheet produced nothing at all
    return true;
}
