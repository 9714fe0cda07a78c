#include "host/Inventory.h"

#include <utility>

#include "db/DynamicQuery.h"

namespace {

// Every table a report reads per PC.
const char* const kPcTables[] = {
    "SystemOverview",
    "BIOS",
    "CPU",
    "MotherBoard",
    "PhysicalMemory",
    "SystemSlot",
    "NetworkAdapter",
    "NetworkIPAddress",
    "VideoAdapter",
    "Monitor",
    "DiskDrive",
    "LogicalDisk",
    "Printer",
    "SoundCard",
    "Keyboard",
    "PointingDevice",
    "PeripheralDevice",
    "AdditionalHardware",
};

// A query whose statement is a fixed text.
class CTextQuery : public CDynamicQuery {
public:
    CTextQuery(CDataConnection* pConnection, CString sql)
        : CDynamicQuery(pConnection), m_strText(std::move(sql)) {}
    CString BuildSQL() override { return m_strText; }

private:
    CString m_strText;
};

}  // namespace

bool PcHasInventoryRows(CDataConnection& connection, int32_t pcId) {
    // One statement of EXISTS probes: each is a seek on the table's key, and
    // the first hit ends the search.
    CString sql = "SELECT CASE WHEN ";
    bool first = true;
    for (const char* table : kPcTables) {
        if (!first) sql += " OR ";
        first = false;
        sql.AppendFormat("EXISTS (SELECT 1 FROM [dbo].[%s] WHERE [ID] = %d)", table,
                         static_cast<int>(pcId));
    }
    sql += " THEN 1 ELSE 0 END";

    CTextQuery query(&connection, sql);
    LONG found = 0;
    query.AddLong(&found);
    return query.Execute(0, 0) != 0 && found != 0;
}

std::vector<int32_t> InventoryPcIds(CDataConnection& connection) {
    CTextQuery query(&connection,
                     "SELECT [ID] FROM [dbo].[SystemOverview] UNION "
                     "SELECT [ID] FROM [dbo].[BIOS] ORDER BY 1");
    LONG id = 0;
    query.AddLong(&id);
    std::vector<int32_t> ids;
    for (bool row = query.Execute(0, 0) != 0; row; row = query.FetchNext()) ids.push_back(id);
    return ids;
}
