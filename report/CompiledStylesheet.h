// Compiled stylesheets, kept for the whole process: a stylesheet file is read
// and compiled once, not at every Display, and every report thread transforms
// with the same compiled form. A file changed on disk is compiled again at
// its next use.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/XmlServices.h"

struct _xsltStylesheet;

// One compiled stylesheet and the files its compilation read: the stylesheet
// itself first, then everything it imported, included or took an entity from.
// Any number of threads may transform with it at the same time: libxslt reads
// it, except for two notes it makes at the first use of an instruction, and
// neither can differ between threads. xsl:call-template notes the template it
// calls; those are resolved here before the stylesheet is shared. libxml2
// notes in each compiled XPath expression which function a call names; a
// stylesheet is shared only after its first transformation, so the
// expressions a report reaches carry their notes before a second thread
// reads them.
class CompiledStylesheet {
public:
    // Owns `sheet` (and the document it was compiled from). `key` names it in
    // the cache. `compareContent`: a file was changed too recently for its
    // stamp to be trusted yet.
    CompiledStylesheet(std::string key, _xsltStylesheet* sheet, std::vector<XmlFileRead> files,
                       bool shareable, bool compareContent);
    ~CompiledStylesheet();
    CompiledStylesheet(const CompiledStylesheet&) = delete;
    CompiledStylesheet& operator=(const CompiledStylesheet&) = delete;

    _xsltStylesheet* Sheet() const { return m_pSheet; }
    const std::vector<XmlFileRead>& Files() const { return m_files; }
    // False when libxslt would write into it while transforming (xsl:number,
    // extension elements, a call of a template that does not exist): such a
    // stylesheet serves one transformer and is never kept.
    bool Shareable() const { return m_bShareable; }

    // Whether every file it was compiled from is still the one that was
    // read. The stamps decide, except for a file changed within two seconds
    // of its reading: within the file system's timestamp granularity a
    // rewrite in place can keep the stamp, so such files are read again and
    // compared by content until their stamps are old enough to trust.
    bool IsCurrent() const;

    const std::string& Key() const { return m_strKey; }
    // Whether it still waits for its first transformation to be shared.
    bool Fresh() const { return m_bFresh; }

private:
    friend void ShareCompiledStylesheet(const std::shared_ptr<const CompiledStylesheet>&);
    std::string m_strKey;
    mutable bool m_bFresh = true;  // only its one thread sees it while true
    _xsltStylesheet* m_pSheet;
    std::vector<XmlFileRead> m_files;
    bool m_bShareable;
    mutable std::atomic<bool> m_bCompareContent;
};

// The compiled stylesheet at `path`, from the cache when its files are
// unchanged, else read with ReadXmlFile and compiled, each file it reads
// confined to `readableFolders` (XmlReadLimit); a newly compiled one is
// Fresh until ShareCompiledStylesheet. The result's output encoding is UTF-8
// whatever xsl:output names. Null, with `failure` in words, when the file
// cannot be read or is not a usable stylesheet; a failure is never kept. The
// cache holds at most 16 stylesheets of at most 32 MB of source in all, the
// least recently used going first. Any thread may call it.
std::shared_ptr<const CompiledStylesheet> LoadCompiledStylesheet(
    const std::string& path, const std::vector<std::string>& readableFolders, std::string& failure);

// Keeps a Fresh stylesheet for every thread, after its first transformation
// (unless it is not Shareable); does nothing for one that is not Fresh.
void ShareCompiledStylesheet(const std::shared_ptr<const CompiledStylesheet>& sheet);

// Drops every kept stylesheet; those still in use go when their last user lets
// go. The component calls it when it unloads, so that nothing of its own stays
// in the host's libxml2.
void ReleaseCompiledStylesheets();

// How many stylesheets the cache holds now.
size_t CompiledStylesheetsKept();
