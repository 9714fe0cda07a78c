// The whole report document for PC 2, a PC with rows in every table, after
// arbitrary bytes were written into every text column except InUse (the one
// value the document takes as markup). The document must be well formed and
// valid against the report schema whatever the bytes.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/FuzzDatabase.h"
#include "platform/Statement.h"
#include "platform/Transaction.h"
#include "report/ReportGenerator.h"
#include "text/XmlText.h"

namespace {

struct Target {
    CDataConnection connection;
    std::vector<std::unique_ptr<CStatement>> updates;  // one per table
    std::vector<int> columnCounts;
    fuzzdb::ReportValidator validator;

    Target() {
        fuzzdb::OpenScratchDatabase(connection, HW_SOURCE_DIR "/tests/data/report-pcs.sql");
        for (const auto& [table, columns] : fuzzdb::TextColumns()) {
            std::string sql = "UPDATE " + table + " SET ";
            int count = 0;
            for (const std::string& column : columns) {
                if (column == "InUse") continue;
                sql += (count++ ? ", " : "") + column + " = ?";
            }
            if (!count) continue;
            // The device and property tables are not per PC: rewrite them all.
            if (table.compare(0, 18, "AdditionalHardware") != 0 || table == "AdditionalHardware")
                sql += " WHERE ID = 2";
            updates.push_back(std::make_unique<CStatement>(connection.m_database, sql.c_str()));
            columnCounts.push_back(count);
        }
    }
};

Target* g_target = nullptr;

// Splits the input into values: each is a 16-bit little-endian length
// (taken modulo 1024, so values can exceed every column width) and as many bytes.
std::vector<std::string> Values(const uint8_t* data, size_t size) {
    std::vector<std::string> values;
    size_t i = 0;
    while (i + 2 <= size) {
        size_t length = (data[i] | (data[i + 1] << 8)) % 1024;
        i += 2;
        if (length > size - i) length = size - i;
        values.emplace_back(reinterpret_cast<const char*>(data + i), length);
        i += length;
    }
    if (values.empty()) values.emplace_back(reinterpret_cast<const char*>(data), size);
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzdb::SilenceLibxml();
    g_target = new Target();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> values = Values(data, size);
    size_t next = 0;
    {
        CTransaction transaction(g_target->connection.m_database);
        for (size_t t = 0; t < g_target->updates.size(); ++t) {
            for (int c = 1; c <= g_target->columnCounts[t]; ++c)
                g_target->updates[t]->BindText(c, values[next++ % values.size()]);
            g_target->updates[t]->Execute();
        }
        transaction.Commit();
    }

    DisplayRequest request;
    request.Connection = &g_target->connection;
    request.PCID = 2;
    request.CompanyName = values[next++ % values.size()].c_str();
    request.User = values[next++ % values.size()].c_str();
    ReportGenerator generator("");
    CString document;
    generator.BuildDocument(&request, document);
    xmlFreeDoc(g_target->validator.ParseValid(ToValidUtf8(document.str()), true));
    return 0;
}
