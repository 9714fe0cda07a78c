// Turning the report text into HTML with an XSLT 1.0 stylesheet file.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/CString.h"

class CompiledStylesheet;
class XmlErrorSilencer;
class XmlReadLimit;

// Holds one stylesheet path and, once loaded, its compiled form, shared with
// every other transformer of the process that loads the same unchanged file
// (report/CompiledStylesheet.h); each Transform then parses a report text
// from memory and runs the stylesheet on it, passing the installation's
// Styles folder as the string parameter PathName. Used by one thread at a
// time; each report has its own.
class StylesheetTransformer {
public:
    StylesheetTransformer() = default;
    virtual ~StylesheetTransformer();
    StylesheetTransformer(const StylesheetTransformer&) = delete;
    StylesheetTransformer& operator=(const StylesheetTransformer&) = delete;

    // A path differing from the stored one in any byte (letter case included)
    // releases the compiled stylesheet; the same path keeps it.
    void SetStylesheetPath(CString path);

    // Loads the compiled stylesheet unless that is done already: the one
    // compiled before when neither the file nor anything it imports has
    // changed since, else the file read and compiled anew. False, with
    // nothing loaded, when the file is missing, unreadable, not a regular
    // file, larger than 16 MB, not well formed or not a stylesheet. What it
    // imports is read only from the stylesheet's own folder or the Styles
    // folder.
    bool LoadStylesheet();

    // Parses `text` as UTF-8 whatever its declaration names (invalid byte
    // sequences read as U+FFFD), transforms it and assigns the result, in
    // UTF-8, to `output`. False when the stylesheet cannot be loaded, the
    // text is not well formed or the transformation fails (a refused write or
    // read, too deep a recursion, xsl:message terminate); `output` is then
    // untouched and nothing is printed. Either way, when `output` ends up
    // empty, GetLastTransformFailure (platform/XmlServices.h) says why on this
    // thread. Throws _com_error when a parameter cannot be passed or memory runs
    // out.
    bool Transform(const CString& text, CString& output);

protected:
    // The folder given to the stylesheet as PathName: the installation's
    // Styles folder found from this component's file. False: no parameter.
    // Asked once per transformer.
    virtual bool LookUpStylesFolder(CString& folder);

    // String parameters a host's page takes beside PathName, as name and
    // value, passed as literals: none for the report.
    using Parameters = std::vector<std::pair<std::string, std::string>>;
    virtual Parameters HostParameters() const { return {}; }

private:
    bool Run(const CString& text, CString& output, const XmlErrorSilencer& quiet,
             const XmlReadLimit& limit);
    // The Styles folder with forward slashes; false when there is none.
    bool StylesFolder(std::string& folder);
    // The stylesheet's own folder and the Styles folder.
    std::vector<std::string> ReadableFolders();

    std::shared_ptr<const CompiledStylesheet> m_pCompiled;
    CString m_strStylesheetPath;
    int m_nStylesFolderKnown = 0;  // 0: not asked yet, 1: found, -1: none
    std::string m_strStylesFolder;
};
