// The Additional section's grid from arbitrary device types, properties,
// instances and flags: always well formed and valid, never more than two
// columns in a row, never a box closed over an open row, and every stored
// value shown exactly once.
#include <climits>
#include <cstdint>
#include <string>

#include "fuzz/FuzzDatabase.h"
#include "platform/Statement.h"
#include "platform/Transaction.h"
#include "sections/ReportSections.h"
#include "text/XmlText.h"

namespace {

constexpr int kPC = 7;

struct Target {
    CDataConnection connection;
    fuzzdb::ReportValidator validator;
    Target() { fuzzdb::OpenScratchDatabase(connection, nullptr); }
};

Target* g_target = nullptr;

// Reads the input a byte at a time; past its end every byte is zero.
struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    unsigned Next() { return at < size ? data[at++] : 0; }
};

// The instance numbers a mask selects: 0 to 5, and the two that sit on the
// edges of the layout's arithmetic (-1, its "no instance yet", and INT_MAX).
const LONG kInstances[8] = {0, 1, 2, 3, 4, 5, -1, INT_MAX};

size_t CountElements(xmlNodePtr node, const char* name) {
    size_t count = 0;
    for (; node; node = node->next)
        if (node->type == XML_ELEMENT_NODE) {
            if (!xmlStrcmp(node->name, BAD_CAST name)) ++count;
            count += CountElements(node->children, name);
        }
    return count;
}

void CheckGrid(xmlNodePtr root) {
    for (xmlNodePtr box = root->children; box; box = box->next) {
        if (box->type != XML_ELEMENT_NODE || !xmlStrcmp(box->name, BAD_CAST "CompanyName") ||
            !xmlStrcmp(box->name, BAD_CAST "User"))
            continue;
        if (xmlStrcmp(box->name, BAD_CAST "Additional")) fuzzdb::Fail("stray element at top");
        for (xmlNodePtr row = box->children; row; row = row->next) {
            if (row->type != XML_ELEMENT_NODE) continue;
            if (xmlStrcmp(row->name, BAD_CAST "DataRow")) fuzzdb::Fail("a box holds a non-row");
            int columns = 0;
            bool doubleWidth = false;
            for (xmlNodePtr col = row->children; col; col = col->next) {
                if (col->type != XML_ELEMENT_NODE) continue;
                if (xmlStrcmp(col->name, BAD_CAST "DataCol"))
                    fuzzdb::Fail("a row holds a non-column");
                ++columns;
                if (xmlHasProp(col, BAD_CAST "DWidth")) doubleWidth = true;
            }
            if (columns < 1 || columns > 2) fuzzdb::Fail("a row with no or more than two columns");
            if (doubleWidth && columns != 1) fuzzdb::Fail("a double-width column shares its row");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzdb::SilenceLibxml();
    g_target = new Target();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes in{data, size};
    CDatabase& db = g_target->connection.m_database;
    size_t stored = 0;
    {
        CTransaction transaction(db);
        db.ExecuteSQL("DELETE FROM AdditionalHardware");
        db.ExecuteSQL("DELETE FROM AdditionalHardwareProperty");
        db.ExecuteSQL("DELETE FROM AdditionalHardwareDevice");
        CStatement device(db, "INSERT INTO AdditionalHardwareDevice VALUES (?, ?, ?, ?, ?)");
        CStatement property(db, "INSERT INTO AdditionalHardwareProperty VALUES (?, ?, ?, ?, ?)");
        CStatement value(db, "INSERT INTO AdditionalHardware VALUES (?, ?, ?, ?, ?)");
        const int devices = static_cast<int>(in.Next() % 6) + 1;
        for (int d = 1; d <= devices; ++d) {
            const unsigned flags = in.Next();
            const int properties = static_cast<int>((flags >> 5) % 5);
            device.BindLong(1, d);
            device.BindText(2, "Device " + std::to_string(d));
            device.BindLong(3, flags & 1);
            device.BindLong(4, (flags >> 1) & 1);
            device.BindLong(5, (flags >> 2) & 7);  // ties allowed
            device.Execute();
            for (int p = 1; p <= properties; ++p) {
                const unsigned bits = in.Next();
                property.BindLong(1, p);
                property.BindLong(2, d);
                property.BindText(3, "P" + std::to_string(d) + "." + std::to_string(p) + " <&>");
                property.BindLong(4, bits & 1);
                property.BindLong(5, (bits >> 1) & 7);
                property.Execute();
            }
            const unsigned instances = in.Next();
            for (int i = 0; i < 8; ++i) {
                if (!(instances & (1u << i))) continue;
                const unsigned present = in.Next();
                for (int p = 1; p <= properties; ++p) {
                    if (!(present & (1u << p))) continue;
                    value.BindLong(1, kPC);
                    value.BindLong(2, d);
                    value.BindLong(3, p);
                    value.BindLong(4, kInstances[i]);
                    value.BindText(5, "v" + std::to_string(i));
                    value.Execute();
                    ++stored;
                }
            }
        }
        transaction.Commit();
    }

    CString text;
    CAdditionalHardwareSection section(&g_target->connection);
    section.m_pDefaults = GetReportDefaults();
    section.WriteSection(kPC, text);
    if (!stored) {
        if (!text.IsEmpty()) fuzzdb::Fail("a PC without values got an Additional element");
        return 0;
    }

    const std::string document =
        "<?xml version=\"1.0\"?>\r\n<HARDWARE>\r\n<CompanyName></CompanyName>\r\n"
        "<User></User>\r\n" +
        ToValidUtf8(text.str()) + "</HARDWARE>\r\n";
    xmlDocPtr doc = g_target->validator.ParseValid(document, true);
    xmlNodePtr root = xmlDocGetRootElement(doc);
    CheckGrid(root);
    if (CountElements(root->children, "DataCol") != stored)
        fuzzdb::Fail("the grid does not show every stored value once:\n" + document);
    xmlFreeDoc(doc);
    return 0;
}
