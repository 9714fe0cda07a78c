// libxml2 and libxslt stand in for the XML services. Both keep process-wide
// state (initialisation, error hooks); this is the one place that touches it.
// The host may use the same libraries, so nothing here is ever torn down
// (no xmlCleanupParser) and every hook is given back as it was found.
#pragma once

#include <libxml/xmlerror.h>

#include "platform/Export.h"

// Initialises libxml2 and libxslt once per process; any thread may call it,
// any number of times.
HWPLATFORM_API void XmlServicesInit();

// While alive, libxml2 and libxslt errors raised on the calling thread are
// dropped instead of reaching stderr. The thread's own libxml2 handlers come
// back when it ends; libxslt's process-wide handler keeps serving other
// threads meanwhile and is restored when the last silencer on any thread
// ends. Scopes nest. Create and destroy on the same thread. Initialises the
// libraries if that has not happened yet.
class HWPLATFORM_API XmlErrorSilencer {
public:
    XmlErrorSilencer();
    ~XmlErrorSilencer();
    XmlErrorSilencer(const XmlErrorSilencer&) = delete;
    XmlErrorSilencer& operator=(const XmlErrorSilencer&) = delete;

private:
    xmlGenericErrorFunc m_pPreviousGeneric;
    void* m_pPreviousGenericContext;
    xmlStructuredErrorFunc m_pPreviousStructured;
    void* m_pPreviousStructuredContext;
};
