#include "import/Import.h"

#include "import/InventoryMapping.h"
#include "import/InventoryWriter.h"
#include "import/JsonInventoryReader.h"
#include "import/XmlInventoryReader.h"

namespace hwimport {

const char* StatusName(ImportStatus status) {
    switch (status) {
        case ImportStatus::New:
            return "new";
        case ImportStatus::Updated:
            return "updated";
        case ImportStatus::Unchanged:
            return "unchanged";
        case ImportStatus::SkippedOlder:
            return "skipped-older";
        case ImportStatus::Failed:
            break;
    }
    return "failed";
}

ParsedInventory ParseInventory(const std::string& bytes, const ImportOptions& options) {
    ParsedInventory parsed;
    try {
        const DecodedInput input = DecodeInput(bytes, options.maxBytes);
        const AgentInventory agent = input.format == InventoryFormat::Xml
                                         ? ReadXmlInventory(input.text)
                                         : ReadJsonInventory(input.text);
        MappingContext context;
        context.importTime = options.importTime.empty() ? UtcNow() : options.importTime;
        context.agent = options.agent;
        parsed.inventory = MapInventory(agent, context);
        parsed.ok = true;
    } catch (const InventoryError& e) {
        parsed.error = e.what();
    } catch (const std::bad_alloc&) {
        parsed.error = "not enough memory to read the inventory";
    }
    return parsed;
}

ImportResult ImportInventory(CDatabase& db, const std::string& bytes,
                             const ImportOptions& options) {
    const ParsedInventory parsed = ParseInventory(bytes, options);
    if (!parsed.ok) {
        ImportResult result;
        result.message = parsed.error;
        return result;
    }
    InventoryWriter writer(db, options.afterWrite);
    ImportResult result;
    try {
        result = writer.Write(parsed.inventory);
        writer.CommitBatch();
    } catch (const CDBException& e) {
        result.status = ImportStatus::Failed;
        result.message = std::string("the database refused it, nothing was written: ") + e.what();
    }
    return result;
}

}  // namespace hwimport
