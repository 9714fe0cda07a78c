// The XML inventory (<REQUEST><CONTENT>...</CONTENT><DEVICEID>...</DEVICEID>
// <QUERY>INVENTORY</QUERY></REQUEST>) read with libxml2's SAX parser, so
// that nothing but the sections the mapping reads is kept in memory.
//
// Nothing outside the text is ever read: a document with a DOCTYPE is
// refused as soon as the parser meets it, so no DTD is loaded and no entity
// declared, let alone expanded (no billion laughs); the network is off as
// well. libxml2's own limits on depth and text size stay on.
#pragma once

#include <string_view>

#include "import/AgentInventory.h"

namespace hwimport {

// Thread-safe. Throws InventoryError: not well-formed (with libxml2's
// message and the line), another root than REQUEST, a request that is not
// an inventory (QUERY other than INVENTORY), a DOCTYPE, or a section that
// may occur once occurring twice.
AgentInventory ReadXmlInventory(std::string_view text);

}  // namespace hwimport
