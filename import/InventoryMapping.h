// From an agent's inventory to our tables: which field feeds which column,
// with which unit and conversion. docs/IMPORT.md is the same mapping as a
// table; change both together.
#pragma once

#include <string>

#include "import/AgentInventory.h"
#include "import/Inventory.h"

namespace hwimport {

struct MappingContext {
    std::string importTime;  // ISO 8601 UTC: the inventory's time when it carries none
    std::string agent;       // the agent when the inventory does not name it
};

// Never fails on values: a number that does not parse becomes 0 and a
// warning; a value longer than its column is cut. Thread-safe.
Inventory MapInventory(const AgentInventory& agent, const MappingContext& context);

// "2017-06-09 09:00:49" with the offset "+0200" gives "2017-06-09T07:00:49Z";
// "" when `local` is not such a date and time.
std::string ToUtcTimestamp(const std::string& local, const std::string& offset);

// The current time as ISO 8601 UTC.
std::string UtcNow();

}  // namespace hwimport
