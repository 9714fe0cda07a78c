#include "import/JsonInventoryReader.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>
#include <set>

namespace hwimport {

namespace {

using json = nlohmann::json;

constexpr size_t kMaxDepth = 32;

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

// Builds the inventory while the parser walks the text. Every container is a
// frame whose role says what its members are.
class InventorySax : public json::json_sax_t {
public:
    AgentInventory inventory;
    std::string refusal;
    std::string action, itemType;
    bool partial = false;
    bool content = false;  // the request has a content object

    bool null() override { return Scalar(nullptr); }
    bool boolean(bool value) override {
        const std::string text = value ? "1" : "0";
        if (Top() == Role::Root && m_key == "partial") partial = value;
        return Scalar(&text);
    }
    bool number_integer(number_integer_t value) override {
        const std::string text = std::to_string(value);
        return Scalar(&text);
    }
    bool number_unsigned(number_unsigned_t value) override {
        const std::string text = std::to_string(value);
        return Scalar(&text);
    }
    // The number as written: no digits gained or lost on the way.
    bool number_float(number_float_t, const string_t& lexeme) override { return Scalar(&lexeme); }
    bool string(string_t& value) override { return Scalar(&value); }
    bool binary(binary_t&) override { return Scalar(nullptr); }

    bool start_object(std::size_t) override { return Open(false); }
    bool start_array(std::size_t) override { return Open(true); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }

    bool key(string_t& name) override {
        Frame& frame = m_frames.back();
        m_key = name;
        if (frame.role == Role::Root || frame.role == Role::Content) {
            // The request and its content name each part once: two would make
            // the inventory say two things.
            if (!frame.keys.insert(name).second)
                return Refuse("the JSON " +
                              std::string(frame.role == Role::Root ? "request" : "content") +
                              " holds the key \"" + name + "\" twice");
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& error) override {
        if (refusal.empty()) {
            std::string message = error.what();
            // "[json.exception.parse_error.101] parse error at line 1, ..."
            const size_t bracket = message.find("] ");
            if (message.compare(0, 1, "[") == 0 && bracket != std::string::npos)
                message.erase(0, bracket + 2);
            refusal = "the JSON is not valid: " + message;
        }
        return false;
    }

private:
    enum class Role { Root, Content, Section, Item, Nested, Skip };
    struct Frame {
        Role role;
        std::string name;            // Section, Item: the section; Nested: the field prefix
        std::set<std::string> keys;  // Root and Content: the keys met
        AgentItem item;              // Item: its fields so far
    };

    Role Top() const { return m_frames.empty() ? Role::Skip : m_frames.back().role; }

    bool Refuse(const std::string& reason) {
        if (refusal.empty()) refusal = reason;
        return false;
    }

    bool Open(bool array) {
        if (m_frames.size() >= kMaxDepth)
            return Refuse("the JSON nests deeper than " + std::to_string(kMaxDepth) + " levels");
        if (m_frames.empty()) {
            if (array) return Refuse("the JSON is an array, not an inventory object");
            m_frames.push_back({Role::Root, "", {}, {}});
            return true;
        }
        const Frame& parent = m_frames.back();
        Frame frame{Role::Skip, "", {}, {}};
        switch (parent.role) {
            case Role::Root:
                if (m_key == "content" && !array) {
                    frame.role = Role::Content;
                    content = true;
                }
                break;
            case Role::Content: {
                const std::string section = Upper(m_key);
                if (!IsMappedSection(section)) break;
                frame.role = array ? Role::Section : Role::Item;
                frame.name = section;
                break;
            }
            case Role::Section:
                if (!array) {
                    frame.role = Role::Item;
                    frame.name = parent.name;
                }
                break;
            case Role::Item:
            case Role::Nested:
                if (!array) {
                    frame.role = Role::Nested;
                    frame.name =
                        (parent.role == Role::Nested ? parent.name : "") + Upper(m_key) + "/";
                }
                break;
            case Role::Skip:
                break;
        }
        m_frames.push_back(std::move(frame));
        return true;
    }

    bool Close() {
        Frame frame = std::move(m_frames.back());
        m_frames.pop_back();
        if (frame.role != Role::Item) return true;
        if (IsSingleSection(frame.name) && !inventory.Section(frame.name).empty())
            return Refuse("the JSON content holds the section \"" + frame.name + "\" twice");
        inventory.AddItem(frame.name, std::move(frame.item));
        return true;
    }

    // The item that fields at the top of the stack belong to.
    Frame* OwningItem() {
        for (auto it = m_frames.rbegin(); it != m_frames.rend(); ++it) {
            if (it->role == Role::Item) return &*it;
            if (it->role != Role::Nested) return nullptr;
        }
        return nullptr;
    }

    bool Scalar(const std::string* value) {
        if (m_frames.empty()) return Refuse("the JSON is a single value, not an inventory object");
        Frame& frame = m_frames.back();
        switch (frame.role) {
            case Role::Root:
                if (!value) return true;
                if (m_key == "deviceid") return Keep(inventory.deviceId, *value, "deviceid");
                if (m_key == "tag") return Keep(inventory.tag, *value, "tag");
                if (m_key == "action") action = *value;
                if (m_key == "itemtype") itemType = *value;
                return true;
            case Role::Content: {
                const std::string section = Upper(m_key);
                if (!value || !IsMappedSection(section)) return true;
                AgentItem item;
                if (!Keep(item, "", *value, section)) return false;
                std::vector<AgentItem>& items = inventory.sections[section];
                if (IsSingleSection(section) && !items.empty())
                    return Refuse("the JSON content holds the section \"" + section + "\" twice");
                items.push_back(std::move(item));
                return true;
            }
            case Role::Item:
            case Role::Nested: {
                if (!value) return true;
                Frame* owner = OwningItem();
                std::string field = (frame.role == Role::Nested ? frame.name : "") + Upper(m_key);
                if (owner->name == "NETWORKS" && field == "MAC") field = "MACADDR";
                // As in the XML form, the first of a repeated field counts.
                if (owner->item.fields.size() >= kMaxFieldsPerItem || owner->item.Has(field))
                    return true;
                return Keep(owner->item, field, *value, owner->name + "/" + field);
            }
            case Role::Section:
            case Role::Skip:
                return true;
        }
        return true;
    }

    bool Keep(std::string& target, const std::string& value, const std::string& where) {
        try {
            CheckXmlCharacters(value, where);
        } catch (const InventoryError& e) {
            return Refuse(e.what());
        }
        target = value.substr(0, kMaxFieldBytes);
        const size_t first = target.find_first_not_of(" \t\r\n");
        const size_t last = target.find_last_not_of(" \t\r\n");
        target = first == std::string::npos ? "" : target.substr(first, last - first + 1);
        return true;
    }

    bool Keep(AgentItem& item, const std::string& field, const std::string& value,
              const std::string& where) {
        std::string kept;
        if (!Keep(kept, value, where)) return false;
        item.fields.emplace_back(field, std::move(kept));
        return true;
    }

    std::vector<Frame> m_frames;
    std::string m_key;  // the key of the value being read
};

}  // namespace

AgentInventory ReadJsonInventory(std::string_view text) {
    InventorySax sax;
    sax.inventory.format = "JSON";
    const bool ok =
        json::sax_parse(text.begin(), text.end(), &sax, json::input_format_t::json, true);
    if (!sax.refusal.empty()) throw InventoryError(sax.refusal);
    if (!ok) throw InventoryError("the JSON is not valid");
    if (!sax.action.empty() && strcasecmp(sax.action.c_str(), "inventory") != 0)
        throw InventoryError("the JSON request's action is \"" + sax.action +
                             "\", not \"inventory\": there is nothing to import");
    if (!sax.content) throw InventoryError("the JSON request has no \"content\" object");
    if (sax.partial)
        throw InventoryError(
            "the JSON inventory is partial (it holds only some sections): importing it would "
            "remove everything it leaves out, so it is refused");
    if (!sax.itemType.empty() && strcasecmp(sax.itemType.c_str(), "Computer") != 0)
        throw InventoryError("the JSON inventory is of a " + sax.itemType + ", not of a computer");
    return std::move(sax.inventory);
}

}  // namespace hwimport
