#include "import/XmlInventoryReader.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/XmlServices.h"

namespace hwimport {

namespace {

constexpr int kMaxNames = 5000;
constexpr size_t kMaxAttributes = 64;

// libxml2 compares each attribute of a tag with every one before it, so one
// tag with a hundred thousand attributes keeps it busy for minutes; the
// agents write no attributes at all. A pass over the bytes finds such a tag
// first (quoted values, comments and CDATA sections skipped).
void CheckAttributeCounts(std::string_view text) {
    size_t i = 0;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        if (text.compare(i, 4, "<!--") == 0) {
            i = text.find("-->", i);
            continue;
        }
        if (text.compare(i, 9, "<![CDATA[") == 0) {
            i = text.find("]]>", i);
            continue;
        }
        size_t count = 0;
        char quote = 0;
        for (++i; i < text.size(); ++i) {
            const char c = text[i];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '=') {
                ++count;
            } else if (c == '>') {
                break;
            }
        }
        if (count > kMaxAttributes)
            throw InventoryError("the XML has a tag with more than " +
                                 std::to_string(kMaxAttributes) +
                                 " attributes: it is not an inventory");
    }
}

// What the SAX callbacks build, and the first reason to refuse the document.
struct ReadState {
    xmlParserCtxtPtr ctxt = nullptr;
    AgentInventory inventory;
    std::string refusal;     // our own reason to stop
    std::string parseError;  // libxml2's first error, with its line

    int depth = 0;                    // of the element being read
    int requestParts[3] = {0, 0, 0};  // CONTENT, DEVICEID, QUERY seen
    int openPart = -1;                // which of them is open
    std::string query;
    bool inSection = false;  // inside a section the mapping reads
    AgentItem item;          // that section's item so far
    std::string sectionName;
    std::vector<std::string> path;  // field names below the section
    std::vector<bool> hasChildren;  // per open field
    std::string text;               // of the innermost open element
    bool collecting = false;        // whether `text` is wanted

    void Refuse(const std::string& reason) {
        if (refusal.empty()) refusal = reason;
        xmlStopParser(ctxt);
    }
};

ReadState& StateOf(void* ctx) {
    return *static_cast<ReadState*>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string JoinPath(const std::vector<std::string>& path) {
    std::string joined;
    for (const std::string& part : path) joined += (joined.empty() ? "" : "/") + part;
    return joined;
}

void OnStartElement(void* ctx, const xmlChar* localname, const xmlChar*, const xmlChar*, int,
                    const xmlChar**, int, int, const xmlChar**) {
    ReadState& s = StateOf(ctx);
    // libxml2 keeps every name in a dictionary that slows down badly as it
    // grows; inventories use a few hundred names.
    if (xmlDictSize(s.ctxt->dict) > kMaxNames)
        return s.Refuse("the XML uses more than " + std::to_string(kMaxNames) +
                        " different names: it is not an inventory");
    const std::string name = reinterpret_cast<const char*>(localname);
    ++s.depth;
    s.text.clear();
    s.collecting = false;
    if (s.depth == 1) {
        if (name != "REQUEST")
            s.Refuse("the XML root element is <" + name + ">, not an inventory's <REQUEST>");
        return;
    }
    if (s.depth == 2) {
        static const char* const kParts[] = {"CONTENT", "DEVICEID", "QUERY"};
        for (int i = 0; i < 3; ++i) {
            if (name != kParts[i]) continue;
            if (++s.requestParts[i] > 1) s.Refuse("the request holds <" + name + "> twice");
            s.openPart = i;
            s.collecting = i > 0;
        }
        return;
    }
    if (s.depth == 3) {
        if (s.openPart != 0) return;  // not inside CONTENT
        s.sectionName = name;
        s.inSection = IsMappedSection(name);
        if (!s.inSection) return;
        if (IsSingleSection(name) && s.inventory.sections.count(name))
            s.Refuse("the inventory holds the section <" + name + "> twice");
        s.item = AgentItem();
        s.collecting = true;
        return;
    }
    if (!s.inSection) return;
    if (!s.hasChildren.empty()) s.hasChildren.back() = true;
    s.path.push_back(name);
    s.hasChildren.push_back(false);
    s.collecting = true;
}

void OnEndElement(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
    ReadState& s = StateOf(ctx);
    const int depth = s.depth--;
    if (depth == 2) {
        if (s.openPart == 1) s.inventory.deviceId = Trimmed(s.text);
        if (s.openPart == 2) s.query = Trimmed(s.text);
        s.openPart = -1;
        s.collecting = false;
        return;
    }
    if (!s.inSection || depth < 3) return;
    if (depth == 3) {
        // A section of text only (VERSIONCLIENT) keeps it as its one field.
        if (s.item.fields.empty() && !Trimmed(s.text).empty())
            s.item.fields.emplace_back("", Trimmed(s.text));
        s.inventory.AddItem(s.sectionName, std::move(s.item));
        s.item = AgentItem();
        s.inSection = false;
        s.collecting = false;
        return;
    }
    if (!s.hasChildren.back()) {
        const std::string field = JoinPath(s.path);
        // Agents repeat some fields (VERSIONPROVIDER's COMMENTS): the first counts.
        if (s.item.fields.size() < kMaxFieldsPerItem && !s.item.Has(field))
            s.item.fields.emplace_back(field, Trimmed(s.text));
    }
    s.path.pop_back();
    s.hasChildren.pop_back();
    s.text.clear();
    // Text between fields is layout, not a value.
    s.collecting = false;
}

void OnCharacters(void* ctx, const xmlChar* chars, int length) {
    ReadState& s = StateOf(ctx);
    if (!s.collecting || s.text.size() >= kMaxFieldBytes) return;
    s.text.append(reinterpret_cast<const char*>(chars),
                  std::min<size_t>(static_cast<size_t>(length), kMaxFieldBytes - s.text.size()));
}

void OnDoctype(void* ctx, const xmlChar* name, const xmlChar*, const xmlChar*) {
    StateOf(ctx).Refuse(std::string("the XML has a DOCTYPE (<!DOCTYPE ") +
                        reinterpret_cast<const char*>(name) +
                        " ...>): an inventory never carries one, and no DTD or entity is ever "
                        "read");
}

// Unreachable while DOCTYPEs are refused; kept so that an entity is never
// declared even if that changes.
void OnEntityDecl(void* ctx, const xmlChar* name, int, const xmlChar*, const xmlChar*, xmlChar*) {
    StateOf(ctx).Refuse(std::string("the XML declares the entity '") +
                        reinterpret_cast<const char*>(name) + "': refused");
}

void OnError(void* ctx, xmlErrorPtr error) {
    if (!error || error->level < XML_ERR_ERROR) return;
    ReadState& s = StateOf(ctx);
    if (!s.parseError.empty()) return;
    std::string message = error->message ? error->message : "unknown error";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    // libxml2 adds the offending bytes on a line of their own.
    std::replace(message.begin(), message.end(), '\n', ' ');
    s.parseError =
        "the XML is not well-formed (line " + std::to_string(error->line) + "): " + message;
}

}  // namespace

AgentInventory ReadXmlInventory(std::string_view text) {
    CheckAttributeCounts(text);
    XmlServicesInit();
    XmlErrorSilencer silence;
    if (text.size() > static_cast<size_t>(INT_MAX))
        throw InventoryError("the XML is too large to parse");
    xmlParserCtxtPtr ctxt = xmlCreateMemoryParserCtxt(text.data(), static_cast<int>(text.size()));
    if (!ctxt) throw InventoryError("cannot start the XML parser");
    ReadState state;
    state.ctxt = ctxt;
    state.inventory.format = "XML";

    // Only the callbacks below: without the default ones no document tree is
    // built, no DTD is kept and no entity is ever looked up or loaded.
    xmlSAXHandler* sax = static_cast<xmlSAXHandler*>(xmlMalloc(sizeof(xmlSAXHandler)));
    memset(sax, 0, sizeof *sax);
    sax->initialized = XML_SAX2_MAGIC;
    sax->startElementNs = OnStartElement;
    sax->endElementNs = OnEndElement;
    sax->characters = OnCharacters;
    sax->cdataBlock = OnCharacters;
    sax->internalSubset = OnDoctype;
    sax->entityDecl = OnEntityDecl;
    sax->serror = OnError;
    xmlFree(ctxt->sax);
    ctxt->sax = sax;
    xmlCtxtUseOptions(ctxt, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    // The callbacks receive the context itself, which leads them to `state`.
    ctxt->_private = &state;
    ctxt->userData = ctxt;

    xmlParseDocument(ctxt);
    const bool wellFormed = ctxt->wellFormed != 0;
    xmlFreeParserCtxt(ctxt);

    if (!state.refusal.empty()) throw InventoryError(state.refusal);
    if (!wellFormed)
        throw InventoryError(state.parseError.empty() ? "the XML is not well-formed"
                                                      : state.parseError);
    if (!state.query.empty() && strcasecmp(state.query.c_str(), "INVENTORY") != 0)
        throw InventoryError("the request is a " + state.query +
                             " request, not an INVENTORY: there is nothing to import");
    if (state.requestParts[0] == 0) throw InventoryError("the request has no <CONTENT>");
    return std::move(state.inventory);
}

}  // namespace hwimport
