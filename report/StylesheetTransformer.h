// Turning the report text into HTML with an XSLT 1.0 stylesheet file.
#pragma once

#include <string>
#include <vector>

#include "platform/CString.h"

class XmlErrorSilencer;
class XmlReadLimit;
struct _xmlDoc;
struct _xsltStylesheet;

// Holds one stylesheet path and, once loaded, its compiled form; each
// Transform then parses a report text from memory and runs the stylesheet on
// it, passing the installation's Styles folder as the string parameter
// PathName. Used by one thread at a time; each report has its own.
class StylesheetTransformer {
public:
    StylesheetTransformer() = default;
    virtual ~StylesheetTransformer();
    StylesheetTransformer(const StylesheetTransformer&) = delete;
    StylesheetTransformer& operator=(const StylesheetTransformer&) = delete;

    // A path differing from the stored one in any byte (letter case included)
    // releases the compiled stylesheet; the same path keeps it.
    void SetStylesheetPath(CString path);

    // Reads and compiles the stylesheet file unless that is done already.
    // False, with nothing loaded, when the file is missing, unreadable, not a
    // regular file, larger than 16 MB, not well formed or not a stylesheet.
    // What it imports is read only from the stylesheet's own folder or the
    // Styles folder.
    bool LoadStylesheet();

    // Parses `text` as UTF-8 whatever its declaration names (invalid byte
    // sequences read as U+FFFD), transforms it and assigns the result, in
    // UTF-8, to `output`. False when the stylesheet cannot be loaded, the
    // text is not well formed or the transformation fails (a refused write or
    // read, too deep a recursion, xsl:message terminate); `output` is then
    // untouched and nothing is printed. Either way, when `output` ends up
    // empty, GetLastTransformFailure (platform/XmlServices.h) says why on this
    // thread. Throws _com_error when PathName cannot be passed or memory runs
    // out.
    bool Transform(const CString& text, CString& output);

protected:
    // The folder given to the stylesheet as PathName: the installation's
    // Styles folder found from this component's file. False: no parameter.
    virtual bool LookUpStylesFolder(CString& folder);

private:
    void Release();
    bool Run(const CString& text, CString& output, const XmlErrorSilencer& quiet,
             const XmlReadLimit& limit);
    // The stylesheet's own folder and the Styles folder.
    std::vector<std::string> ReadableFolders();

    _xsltStylesheet* m_pTemplate = nullptr;
    // The parsed stylesheet file; once compiled, m_pTemplate owns it.
    _xmlDoc* m_pStylesheetDocument = nullptr;
    bool m_bLoaded = false;
    CString m_strStylesheetPath;
};
