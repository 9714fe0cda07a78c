// The JSON inventory of the newer agent generation ({"deviceid": ...,
// "action": "inventory", "content": {"hardware": {...}, "cpus": [...]}}),
// read with nlohmann-json's SAX parser into the same form as the XML one:
// section and field names in upper case, MAC addresses under MACADDR.
#pragma once

#include <string_view>

#include "import/AgentInventory.h"

namespace hwimport {

// Thread-safe. Throws InventoryError: not valid JSON or not UTF-8 (with the
// parser's position), not an inventory (another action, a partial
// inventory, an item type other than a computer), a key twice in the
// request or its content, a value XML cannot carry, nesting deeper than 32.
AgentInventory ReadJsonInventory(std::string_view text);

}  // namespace hwimport
