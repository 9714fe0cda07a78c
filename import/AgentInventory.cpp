#include "import/AgentInventory.h"

#include <algorithm>
#include <cstdio>

namespace hwimport {

namespace {

const char* const kMappedSections[] = {
    "ACCESSLOG",     "ACCOUNTINFO",
    "BATTERIES",     "BIOS",
    "CONTROLLERS",   "CPUS",
    "DRIVES",        "HARDWARE",
    "INPUTS",        "MEMORIES",
    "MODEMS",        "MONITORS",
    "NETWORKS",      "OPERATINGSYSTEM",
    "PORTS",         "PRINTERS",
    "SLOTS",         "SOUNDS",
    "STORAGES",      "USBDEVICES",
    "VERSIONCLIENT", "VERSIONPROVIDER",
    "VIDEOS",
};

const char* const kSingleSections[] = {
    "ACCESSLOG", "BIOS", "HARDWARE", "OPERATINGSYSTEM", "VERSIONCLIENT", "VERSIONPROVIDER",
};

template <size_t N>
bool Contains(const char* const (&list)[N], const std::string& name) {
    return std::find_if(std::begin(list), std::end(list),
                        [&](const char* entry) { return name == entry; }) != std::end(list);
}

const std::string kEmpty;
const std::vector<AgentItem> kNoItems;
const AgentItem kNoItem;

}  // namespace

const std::string& AgentItem::Get(const std::string& name) const {
    for (const auto& field : fields)
        if (field.first == name) return field.second;
    return kEmpty;
}

bool AgentItem::Has(const std::string& name) const {
    for (const auto& field : fields)
        if (field.first == name) return true;
    return false;
}

const std::vector<AgentItem>& AgentInventory::Section(const std::string& name) const {
    const auto it = sections.find(name);
    return it == sections.end() ? kNoItems : it->second;
}

const AgentItem& AgentInventory::Single(const std::string& name) const {
    const std::vector<AgentItem>& items = Section(name);
    return items.empty() ? kNoItem : items.front();
}

void AgentInventory::AddItem(const std::string& section, AgentItem item) {
    std::vector<AgentItem>& items = sections[section];
    if (items.size() < kMaxItemsPerSection) {
        items.push_back(std::move(item));
        return;
    }
    const std::string warning = "the inventory lists more than " +
                                std::to_string(kMaxItemsPerSection) + " items in " + section +
                                ": the rest are left out";
    if (std::find(warnings.begin(), warnings.end(), warning) == warnings.end())
        warnings.push_back(warning);
}

bool IsMappedSection(const std::string& name) {
    return Contains(kMappedSections, name);
}

bool IsSingleSection(const std::string& name) {
    return Contains(kSingleSections, name);
}

void CheckXmlCharacters(const std::string& value, const std::string& where) {
    for (size_t i = 0; i < value.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            char code[8];
            snprintf(code, sizeof code, "%02X", c);
            throw InventoryError(where + " holds the control character U+00" + code +
                                 ", which an inventory cannot carry");
        }
        // U+FFFE and U+FFFF are EF BF BE and EF BF BF.
        if (c == 0xEF && i + 2 < value.size() && static_cast<unsigned char>(value[i + 1]) == 0xBF &&
            (static_cast<unsigned char>(value[i + 2]) & 0xFE) == 0xBE)
            throw InventoryError(where + " holds the non-character U+FFF" +
                                 (value[i + 2] == '\xBE' ? "E" : "F") +
                                 ", which an inventory cannot carry");
    }
}

}  // namespace hwimport
