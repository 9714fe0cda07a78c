#include "history/ReportDiff.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <nettle/sha2.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

namespace hwhistory {

namespace {

// The nine sections in report order; a section not listed sorts after them.
const char* const kSections[] = {"SystemOverview", "CPU_BIOS", "MotherBoard_Slots",
                                 "NetworkAdapters", "VideoAdapters", "DiskDrives",
                                 "Printers", "Peripherals", "Additional"};

// What tells the rows of one item apart; the rest go by Name. Rows that are
// one per PC (the overview, the BIOS, the mother board) need no key.
struct ItemKey {
    const char* item;
    std::vector<const char*> fields;
};
const ItemKey kItemKeys[] = {
    {"BIOS", {}},
    {"MotherBoard", {}},
    {"NetworkAdapter", {"MacAddress"}},
    {"HardDisk", {"Name", "Drive"}},
    {"CDROM", {"Name", "Drive"}},
    {"Floppy", {"Name", "Drive"}},
    {"LogicalDisk", {"DeviceID"}},
};

size_t SectionRank(const std::string& section) {
    const auto* end = std::end(kSections);
    return static_cast<size_t>(std::find(std::begin(kSections), end, section) - std::begin(kSections));
}

std::string Text(const xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

std::string Name(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

bool HasElementChildren(const xmlNode* node) {
    for (const xmlNode* c = node->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE) return true;
    return false;
}

// A field's value; a nested list (an adapter's IPAddresses) as one value,
// its entries separated by ", " and each entry's values by " ".
std::string FieldValue(const xmlNode* field) {
    if (!HasElementChildren(field)) return Text(field);
    std::string value;
    for (const xmlNode* entry = field->children; entry; entry = entry->next) {
        if (entry->type != XML_ELEMENT_NODE) continue;
        if (!value.empty()) value += ", ";
        std::string part;
        for (const xmlNode* v = entry->children; v; v = v->next) {
            if (v->type != XML_ELEMENT_NODE) continue;
            if (!part.empty()) part += ' ';
            part += Text(v);
        }
        value += HasElementChildren(entry) ? part : Text(entry);
    }
    return value;
}

const std::string* Find(const ReportRow& row, const std::string& name) {
    for (const ReportField& f : row.fields)
        if (f.name == name) return &f.value;
    return nullptr;
}

std::string KeyOf(const ReportRow& row) {
    const ItemKey* key = nullptr;
    for (const ItemKey& k : kItemKeys)
        if (row.item == k.item) key = &k;
    std::vector<const char*> fields = key ? key->fields : std::vector<const char*>{"Name"};
    if (row.item == row.section) fields.clear();  // a section that is one row
    std::string text;
    for (const char* name : fields) {
        const std::string* value = Find(row, name);
        if (!value || value->empty()) continue;
        if (!text.empty()) text += ", ";
        text += *value;
    }
    // An adapter without a MAC address goes by its name.
    if (text.empty() && key && !key->fields.empty()) {
        const std::string* name = Find(row, "Name");
        if (name) text = *name;
    }
    return text;
}

// The user-defined devices: each instance starts at a column without the
// align attribute (its header) and runs to the next one.
void ReadAdditional(const xmlNode* box, std::vector<ReportRow>& rows) {
    for (const xmlNode* dataRow = box->children; dataRow; dataRow = dataRow->next) {
        if (dataRow->type != XML_ELEMENT_NODE) continue;
        for (const xmlNode* col = dataRow->children; col; col = col->next) {
            if (col->type != XML_ELEMENT_NODE) continue;
            ReportField field;
            for (const xmlNode* part = col->children; part; part = part->next) {
                if (part->type != XML_ELEMENT_NODE) continue;
                if (Name(part) == "Name") field.name = Text(part);
                if (Name(part) == "Value") field.value = Text(part);
            }
            if (!xmlHasProp(col, BAD_CAST "align") || rows.empty() ||
                rows.back().section != "Additional") {
                rows.push_back({"Additional", "Additional", field.name, {}});
            }
            rows.back().fields.push_back(std::move(field));
        }
    }
}

ReportRow ReadRow(const std::string& section, const xmlNode* element) {
    ReportRow row{section, Name(element), "", {}};
    for (const xmlNode* f = element->children; f; f = f->next)
        if (f->type == XML_ELEMENT_NODE) row.fields.push_back({Name(f), FieldValue(f)});
    return row;
}

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

std::vector<ReportField> Shown(const ReportRow& row, bool includeVolatile) {
    std::vector<ReportField> shown;
    for (const ReportField& f : row.fields)
        if (includeVolatile || !IsVolatile(row.item, f.name)) shown.push_back(f);
    return shown;
}

}  // namespace

ReportModel ReadReport(const std::string& document) {
    // The component's text declares UTF-16 but is UTF-8; the stored form
    // declares UTF-8. Either way the bytes are UTF-8.
    std::unique_ptr<xmlDoc, DocFree> doc(
        xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr, nullptr,
                      XML_PARSE_NONET | XML_PARSE_IGNORE_ENC | XML_PARSE_NOERROR |
                          XML_PARSE_NOWARNING));
    const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root || Name(root) != "HARDWARE")
        throw std::runtime_error("not a hardware report document");
    ReportModel model;
    for (const xmlNode* section = root->children; section; section = section->next) {
        if (section->type != XML_ELEMENT_NODE || !HasElementChildren(section)) continue;
        const std::string name = Name(section);
        if (name == "Additional") {
            ReadAdditional(section, model.rows);
            continue;
        }
        // A section of fields (the overview) is one row; else each child is.
        bool ofRows = false;
        for (const xmlNode* c = section->children; c; c = c->next)
            if (c->type == XML_ELEMENT_NODE && HasElementChildren(c) && Name(c) != "IPAddresses")
                ofRows = true;
        if (!ofRows) {
            model.rows.push_back(ReadRow(name, section));
            continue;
        }
        for (const xmlNode* item = section->children; item; item = item->next)
            if (item->type == XML_ELEMENT_NODE) model.rows.push_back(ReadRow(name, item));
    }
    // Keys, with "#2", "#3" for rows that share one (two equal CPUs, two
    // monitors of one model: told apart by their position).
    std::map<std::string, int> seen;
    for (ReportRow& row : model.rows) {
        if (row.item != "Additional") row.key = KeyOf(row);
        const int n = ++seen[row.section + '\x1f' + row.item + '\x1f' + row.key];
        if (n > 1) row.key += " #" + std::to_string(n);
    }
    return model;
}

bool IsVolatile(const std::string& item, const std::string& field) {
    return (item == "LogicalDisk" && (field == "FreeSpace" || field == "FreePerCent")) ||
           (item == "SystemOverview" && field == "LoggedOnUser");
}

std::string ReportDigest(const std::string& document) {
    // The elements IsVolatile names; the component writes each only in its
    // one item, as <Name>text</Name>.
    static const char* const kVolatile[][2] = {{"<FreeSpace>", "</FreeSpace>"},
                                               {"<FreePerCent>", "</FreePerCent>"},
                                               {"<LoggedOnUser>", "</LoggedOnUser>"}};
    sha256_ctx ctx;
    sha256_init(&ctx);
    // Where each opening tag is next, searched again only once passed: a
    // tag the document lacks is looked for once, not at every element.
    size_t next[3] = {0, 0, 0};
    bool searched[3] = {false, false, false};
    size_t from = 0;
    for (;;) {
        // The nearest volatile element from here, if any.
        size_t at = std::string::npos, end = std::string::npos;
        for (size_t t = 0; t < 3; ++t) {
            const auto& tags = kVolatile[t];
            if (!searched[t] || (next[t] != std::string::npos && next[t] < from)) {
                next[t] = document.find(tags[0], from);
                searched[t] = true;
            }
            const size_t open = next[t];
            if (open >= at) continue;
            const size_t close = document.find(tags[1], open);
            if (close == std::string::npos) continue;
            at = open + strlen(tags[0]);
            end = close;
        }
        const size_t stop = at == std::string::npos ? document.size() : at;
        sha256_update(&ctx, stop - from, reinterpret_cast<const uint8_t*>(document.data() + from));
        if (at == std::string::npos) break;
        from = end;
    }
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&ctx, sizeof digest, digest);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t b : digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
    }
    return hex;
}

const char* KindName(RowChange::Kind kind) {
    switch (kind) {
        case RowChange::kAdded: return "added";
        case RowChange::kRemoved: return "removed";
        case RowChange::kChanged: break;
    }
    return "changed";
}

std::vector<RowChange> DiffReports(const ReportModel& before, const ReportModel& after,
                                   bool includeVolatile) {
    auto id = [](const ReportRow& r) { return r.section + '\x1f' + r.item + '\x1f' + r.key; };
    std::map<std::string, const ReportRow*> old, now;
    for (const ReportRow& r : before.rows) old[id(r)] = &r;
    for (const ReportRow& r : after.rows) now[id(r)] = &r;

    std::vector<std::pair<size_t, RowChange>> changes;  // with the section's rank
    auto whole = [&](const ReportRow& r, RowChange::Kind kind) {
        RowChange c{kind, r.section, r.item, r.key, {}};
        for (const ReportField& f : Shown(r, includeVolatile))
            if (!f.value.empty())
                c.fields.push_back(kind == RowChange::kAdded ? FieldChange{f.name, "", f.value}
                                                         : FieldChange{f.name, f.value, ""});
        changes.emplace_back(SectionRank(r.section), std::move(c));
    };
    for (const ReportRow& r : before.rows) {
        const auto match = now.find(id(r));
        if (match == now.end()) {
            whole(r, RowChange::kRemoved);
            continue;
        }
        const ReportRow& n = *match->second;
        RowChange c{RowChange::kChanged, r.section, r.item, r.key, {}};
        const std::vector<ReportField> was = Shown(r, includeVolatile);
        const std::vector<ReportField> is = Shown(n, includeVolatile);
        for (const ReportField& f : was) {
            const auto it = std::find_if(is.begin(), is.end(),
                                         [&](const ReportField& g) { return g.name == f.name; });
            const std::string value = it == is.end() ? "" : it->value;
            if (value != f.value) c.fields.push_back({f.name, f.value, value});
        }
        for (const ReportField& g : is)
            if (std::none_of(was.begin(), was.end(),
                             [&](const ReportField& f) { return f.name == g.name; }))
                c.fields.push_back({g.name, "", g.value});
        if (!c.fields.empty()) changes.emplace_back(SectionRank(r.section), std::move(c));
    }
    for (const ReportRow& r : after.rows)
        if (!old.count(id(r))) whole(r, RowChange::kAdded);
    std::stable_sort(changes.begin(), changes.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<RowChange> result;
    for (auto& c : changes) result.push_back(std::move(c.second));
    return result;
}

}  // namespace hwhistory
