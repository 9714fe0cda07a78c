// The endpoint the inventory agents post to: their XML protocol over HTTP,
// each request a zlib-compressed document whose QUERY says what it is.
#pragma once

#include <string>
#include <string_view>

#include "server/WebServer.h"

// Adds POST /ocsinventory. A PROLOG is answered with SEND (come back in 24
// hours); an INVENTORY is imported as `hwconsole import` imports it, with
// options.import, and answered with no_account_update. Replies are
// zlib-compressed, as the agents expect. Anything else is a 400 with the
// reason; a database failure a 503, so the agent tries again later.
void AddAgentRoute(WebServer& server);

// The text of the document's QUERY element ("PROLOG", "INVENTORY"), or "".
std::string AgentQuery(std::string_view xml);
