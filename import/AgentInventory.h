// An agent's inventory as both formats carry it, before any mapping: the
// agent's device id, the request kind, and the sections the mapping reads,
// each a list of items of named text fields. The XML and JSON readers fill
// it; names are the XML element names (upper case), so that one mapping
// serves both formats.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace hwimport {

// A user-facing reason why an input is not an importable inventory.
class InventoryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One element of a section: its fields in document order. A field nested in
// another (OPERATINGSYSTEM's TIMEZONE/NAME) is named by its path.
struct AgentItem {
    std::vector<std::pair<std::string, std::string>> fields;

    // The field's value with blanks trimmed, or "" when absent.
    const std::string& Get(const std::string& name) const;
    bool Has(const std::string& name) const;
};

struct AgentInventory {
    std::string format;    // "XML" or "JSON", for messages
    std::string deviceId;  // DEVICEID / deviceid
    std::string tag;       // the JSON form's top-level tag (the XML form keeps it in ACCOUNTINFO)
    std::map<std::string, std::vector<AgentItem>> sections;
    std::vector<std::string> warnings;

    // The items of a section; empty when the section is absent.
    const std::vector<AgentItem>& Section(const std::string& name) const;
    // The first item of a section that occurs once; an empty item when absent.
    const AgentItem& Single(const std::string& name) const;
    // Appends an item to a section unless it is full (then warns, once).
    void AddItem(const std::string& section, AgentItem item);
};

// The sections the mapping reads: the readers keep only these (an agent
// sends thousands of software and process entries that no table holds).
bool IsMappedSection(const std::string& name);

// Sections that may occur only once; a second one makes the inventory
// ambiguous and is refused.
bool IsSingleSection(const std::string& name);

// Fields longer than this are cut while reading: no column holds more.
constexpr size_t kMaxFieldBytes = 4096;
// An item keeps at most this many fields and a section this many items; the
// rest are left out (with a warning), so that no input makes the import
// slow beyond its size.
constexpr size_t kMaxFieldsPerItem = 256;
constexpr size_t kMaxItemsPerSection = 10000;

// Refuses a value that XML 1.0 cannot carry (control characters other than
// tab, line feed and carriage return; U+FFFE and U+FFFF): such a value
// could never reach a well-formed report. Expects valid UTF-8.
void CheckXmlCharacters(const std::string& value, const std::string& where);

}  // namespace hwimport
