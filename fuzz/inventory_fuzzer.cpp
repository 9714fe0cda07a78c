// Inventory parsing on arbitrary bytes (plain, or as the body of a gzip or
// zlib stream): never a crash, and whatever is accepted fits the tables:
// every text within its column and valid UTF-8, every InUse value escaped
// so that it reads back as plain element text.
#include <libxml/parser.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "import/Import.h"
#include "text/XmlText.h"

namespace {

void Check(bool condition, const char* what) {
    if (condition) return;
    fprintf(stderr, "inventory_fuzzer: %s\n", what);
    abort();
}

void CheckText(const std::string& text, size_t maxBytes) {
    Check(text.size() <= maxBytes, "a text longer than its column");
    Check(ToValidUtf8(text) == text, "a text that is not valid UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    hwimport::ImportOptions options;
    options.maxBytes = 1 << 20;
    options.importTime = "2024-01-01T00:00:00Z";
    const hwimport::ParsedInventory parsed = hwimport::ParseInventory(bytes, options);
    if (!parsed.ok) {
        Check(!parsed.error.empty(), "refused without a reason");
        return 0;
    }
    const hwimport::Inventory& inventory = parsed.inventory;
    for (size_t t = 0; t < hwimport::kHwTableCount; ++t) {
        const hwimport::HwTable table = static_cast<hwimport::HwTable>(t);
        const hwimport::TableInfo& info = hwimport::TableOf(table);
        for (const hwimport::Row& row : inventory.Rows(table)) {
            for (size_t c = 0; c < row.size(); ++c)
                if (row[c].kind == hwimport::Value::Text)
                    CheckText(row[c].text, info.columns[c].maxBytes);
            if (table != hwimport::HwTable::SystemSlot) continue;
            // The report writes InUse as it stands: it must be text, not markup.
            const std::string document = "<v>" + row[2].text + "</v>";
            xmlDocPtr doc = xmlReadMemory(document.data(), static_cast<int>(document.size()),
                                          nullptr, "UTF-8", XML_PARSE_NONET | XML_PARSE_NOERROR);
            Check(doc != nullptr, "InUse does not parse as element text");
            const xmlNodePtr root = xmlDocGetRootElement(doc);
            Check(
                !root->children || (root->children->type == XML_TEXT_NODE && !root->children->next),
                "InUse holds markup");
            xmlFreeDoc(doc);
        }
    }
    for (const hwimport::AdditionalValue& value : inventory.Additional()) {
        CheckText(value.value, hwimport::kAdditionalValueBytes);
        CheckText(value.property, hwimport::kAdditionalValueBytes);
    }
    return 0;
}
