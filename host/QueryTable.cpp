#include "host/QueryTable.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdlib>
#include <memory>

namespace {

bool Named(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, BAD_CAST name);
}

std::string TextOf(const xmlNode* node) {
    xmlChar* text = xmlNodeGetContent(node);
    std::string value = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return value;
}

std::string AttributeOf(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, BAD_CAST name);
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

}  // namespace

bool ReadQueryTable(const std::string& document, QueryTable& result, std::string& error) {
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> doc(
        xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr, nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE),
        xmlFreeDoc);
    const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root || !Named(root, "QueryResult")) {
        error = "the query gave no readable result";
        return false;
    }
    const std::string cut = AttributeOf(root, "cutAt");
    if (!cut.empty()) result.cutAt = strtoll(cut.c_str(), nullptr, 10);
    TextTable& table = result.table;
    for (const xmlNode* part = root->children; part; part = part->next) {
        if (Named(part, "Columns")) {
            for (const xmlNode* column = part->children; column; column = column->next)
                if (Named(column, "Column")) {
                    table.columns.push_back(TextOf(column));
                    table.numeric.push_back(AttributeOf(column, "type") == "number");
                }
        } else if (Named(part, "Row")) {
            std::vector<std::string> row;
            for (const xmlNode* value = part->children; value; value = value->next)
                if (Named(value, "Value")) row.push_back(TextOf(value));
            row.resize(table.columns.size());
            table.rows.push_back(std::move(row));
        }
    }
    return true;
}
