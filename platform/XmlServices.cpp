#include "platform/XmlServices.h"

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

thread_local int t_silenceDepth = 0;

// libxslt has a single error hook for the whole process (libxml2's are per
// thread). While any thread is silenced the hook is ForwardXsltError, which
// drops what silenced threads report and passes the rest on unchanged.
std::mutex g_xsltHookLock;
int g_xsltHookUsers = 0;
xmlGenericErrorFunc g_pXsltPrevious = nullptr;

void DropGenericError(void* /*context*/, const char* /*message*/, ...) {}

void DropStructuredError(void* /*context*/, xmlErrorPtr /*error*/) {}

void ForwardXsltError(void* context, const char* message, ...) {
    if (t_silenceDepth > 0) return;
    xmlGenericErrorFunc previous;
    {
        std::lock_guard<std::mutex> guard(g_xsltHookLock);
        previous = g_pXsltPrevious;
    }
    if (!previous) return;
    char text[2048];
    va_list args;
    va_start(args, message);
    vsnprintf(text, sizeof text, message, args);
    va_end(args);
    previous(context, "%s", text);
}

}  // namespace

void XmlServicesInit() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xsltInit();  // its own guard is not thread-safe
    });
}

XmlErrorSilencer::XmlErrorSilencer() {
    XmlServicesInit();  // the per-thread handlers exist once the parser is initialised
    m_pPreviousGeneric = xmlGenericError;
    m_pPreviousGenericContext = xmlGenericErrorContext;
    m_pPreviousStructured = xmlStructuredError;
    m_pPreviousStructuredContext = xmlStructuredErrorContext;
    xmlSetGenericErrorFunc(nullptr, DropGenericError);
    xmlSetStructuredErrorFunc(nullptr, DropStructuredError);
    ++t_silenceDepth;
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
    --t_silenceDepth;
    xmlSetStructuredErrorFunc(m_pPreviousStructuredContext, m_pPreviousStructured);
    xmlSetGenericErrorFunc(m_pPreviousGenericContext, m_pPreviousGeneric);
}
