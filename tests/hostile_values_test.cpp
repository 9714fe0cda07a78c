// Hostile and extreme values in the database: markup, script, entity text,
// invalid UTF-8 and 10 KB strings in every text column, NULL in every
// column, numbers at and beyond the limits, and a PC with very many rows.
// The report still renders, no value becomes markup in the HTML, long texts
// arrive cut to their column width on a character boundary, and memory stays
// bounded.
#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <malloc.h>

#include <climits>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Statement.h"
#include "platform/Transaction.h"
#include "report/ReportGenerator.h"
#include "tests/ReportSchema.h"
#include "tests/TestDatabase.h"
#include "tests/TestReport.h"
#include "text/XmlText.h"

namespace {

struct Column {
    std::string table, name, type;
    bool key;
};

// Every column of the shipped SQLite schema, in table order.
std::vector<Column> SchemaColumns() {
    std::vector<Column> columns;
    std::stringstream lines(testdb::ReadText(HW_SOURCE_DIR "/schema/sqlite.sql"));
    std::string line, table;
    while (std::getline(lines, line)) {
        if (line.compare(0, 13, "CREATE TABLE ") == 0) {
            table = line.substr(13, line.find(' ', 13) - 13);
        } else if (!table.empty() && line.compare(0, 4, "    ") == 0 &&
                   line.find("PRIMARY KEY") == std::string::npos) {
            std::stringstream words(line);
            Column c{table, "", "", line.find("NOT NULL") != std::string::npos};
            words >> c.name >> c.type;
            columns.push_back(c);
        }
    }
    return columns;
}

bool HasPcColumn(const std::vector<Column>& columns, const std::string& table) {
    for (const Column& c : columns)
        if (c.table == table && c.name == "ID") return true;
    return false;
}

// Sets the chosen columns of PC `pc`'s rows (and of every device type and
// property) to `bind`'s value, one UPDATE per table.
template <typename Choose, typename Bind>
void UpdateColumns(CDatabase& db, int pc, Choose choose, Bind bind) {
    const std::vector<Column> columns = SchemaColumns();
    std::string table;
    for (size_t i = 0; i <= columns.size(); ++i) {
        if (i < columns.size() && columns[i].table == table) continue;
        if (!table.empty()) {
            std::vector<const Column*> chosen;
            for (const Column& c : columns)
                if (c.table == table && choose(c)) chosen.push_back(&c);
            if (!chosen.empty()) {
                std::string sql = "UPDATE " + table + " SET ";
                for (size_t k = 0; k < chosen.size(); ++k)
                    sql += (k ? ", " : "") + chosen[k]->name + " = ?";
                if (HasPcColumn(columns, table)) sql += " WHERE ID = " + std::to_string(pc);
                CStatement update(db, sql.c_str());
                for (size_t k = 0; k < chosen.size(); ++k)
                    bind(update, static_cast<int>(k + 1), *chosen[k]);
                update.Execute();
            }
        }
        if (i < columns.size()) table = columns[i].table;
    }
}

bool IsText(const Column& c) {
    return c.type.compare(0, 7, "VARCHAR") == 0;
}

// Every value of the report shows as text, so the HTML's elements and
// attributes do not depend on what the values say: this is their outline.
void Outline(xmlNodePtr node, std::string& out) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        out += "<" + std::string(reinterpret_cast<const char*>(node->name));
        for (xmlAttrPtr a = node->properties; a; a = a->next)
            out += " " + std::string(reinterpret_cast<const char*>(a->name));
        out += ">";
        Outline(node->children, out);
        out += "</>";
    }
}

std::string HtmlOutline(const std::string& html) {
    htmlDocPtr doc = htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                                    HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!doc) return "unparsable";
    std::string outline;
    Outline(xmlDocGetRootElement(doc), outline);
    xmlFreeDoc(doc);
    return outline;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// From the sanitizer runtime (ASan and TSan both provide it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

// Bytes the process holds in live heap blocks. Exact under the sanitizers
// too, whose allocators keep freed memory in quarantine.
size_t LiveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

class HostileValues : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = m_dir.File("fleet.db");
        testdb::CreateSqliteDatabase(m_file, {HW_TEST_DATA "/report-pcs.sql"});
        m_connection.Open(testdb::SqliteConnect(m_file).c_str());
    }

    void FillText(const std::string& value) {
        UpdateColumns(
            m_connection.m_database, 2,
            [](const Column& c) { return IsText(c) && c.name != "InUse"; },
            [&value](CStatement& s, int n, const Column&) { s.BindText(n, value); });
    }

    std::string Document(int pc) {
        const DisplayRequest request = testreport::Request(m_connection, pc, "", "");
        ReportGenerator generator("");
        CString document;
        generator.BuildDocument(&request, document);
        return document.str();
    }

    std::string Html(int pc) {
        const DisplayRequest request = testreport::Request(m_connection, pc);
        CString html;
        EXPECT_EQ(testreport::Component().Display(&request, &html), 1);
        return html.str();
    }

    void ExpectValidDocument(int pc) {
        std::string problem;
        EXPECT_TRUE(report_schema::IsValidReport(ToValidUtf8(Document(pc)), problem)) << problem;
    }

    testdb::TempDir m_dir;
    std::string m_file;
    CDataConnection m_connection;
};

TEST_F(HostileValues, MarkupScriptEntitiesAndBrokenUtf8InEveryTextColumnStayText) {
    FillText("plain");
    const std::string plain = HtmlOutline(Html(2));
    ASSERT_NE(plain.find("<table"), std::string::npos) << plain;
    const char* const kPayloads[] = {
        "<script>alert(1)</script><img src=x onerror=alert(2)>",
        "\"'><svg onload=alert(3)><b title='x'>",
        "&lt;i&gt; &amp;amp; &#60;u&#62; &bogus; &#0; ]]> <!-- --> <![CDATA[x]]>",
        "<?xml-stylesheet href='evil.xsl'?><!DOCTYPE x [<!ENTITY e SYSTEM "
        "'file:///etc/passwd'>]>&e;",
        "\xff\xfe bad \xc3( \xed\xa0\x80 \xf4\x90\x80\x80 \xe2\x82",
        "no XML character: \xef\xbf\xbe \xef\xbf\xbf",
        "tab\tnew\r\nline\x01\x1f",
    };
    for (const char* payload : kPayloads) {
        SCOPED_TRACE(payload);
        FillText(payload);
        const std::string html = Html(2);
        ASSERT_FALSE(html.empty()) << "the report did not render";
        EXPECT_EQ(HtmlOutline(html), plain) << "a value changed the page's markup";
        EXPECT_EQ(html.find("root:x:"), std::string::npos) << "an entity was resolved";
        ExpectValidDocument(2);
    }
}

TEST_F(HostileValues, TenKilobyteTextsArriveCutToTheirColumnOnACharacterBoundary) {
    // Hardware columns hold 255 bytes, user-defined names and values 127.
    FillText(std::string(10240, 'a'));
    std::string document = Document(2);
    EXPECT_NE(document.find("<SystemName>" + std::string(255, 'a') + "</SystemName>"),
              std::string::npos);
    EXPECT_NE(document.find("<Value>" + std::string(127, 'a') + "</Value>"), std::string::npos);
    EXPECT_EQ(document.find(std::string(256, 'a')), std::string::npos);
    EXPECT_FALSE(Html(2).empty());

    std::string twoByte;
    for (int i = 0; i < 5120; ++i) twoByte += "\xC3\xA9";  // é
    FillText(twoByte);
    document = Document(2);
    EXPECT_NE(document.find("<SystemName>" + twoByte.substr(0, 254) + "</SystemName>"),
              std::string::npos);
    EXPECT_NE(document.find("<Value>" + twoByte.substr(0, 126) + "</Value>"), std::string::npos);
    EXPECT_EQ(ToValidUtf8(document), document) << "a character was cut in two";
    EXPECT_FALSE(Html(2).empty());
}

TEST_F(HostileValues, NullInEveryColumnAndNumbersAtAndBeyondTheLimitsRender) {
    // PC 5's asset label allows several instances: titles are Label<IndexID + 1>.
    m_connection.m_database.ExecuteSQL(
        "UPDATE AdditionalHardware SET IndexID = 2147483647 WHERE ID = 5 AND IndexID = 1");
    EXPECT_NE(Document(5).find("<Name>Label2147483648</Name>"), std::string::npos);
    ExpectValidDocument(5);

    UpdateColumns(
        m_connection.m_database, 2, [](const Column& c) { return !c.key; },
        [](CStatement& s, int n, const Column& c) {
            s.BindNull(n, IsText(c) ? SQL_VARCHAR : c.type == "REAL" ? SQL_DOUBLE : SQL_INTEGER);
        });
    const std::string document = Document(2);
    EXPECT_NE(document.find("<ClockSpeed>0 MHz</ClockSpeed>"), std::string::npos) << document;
    EXPECT_NE(document.find("<Name></Name>"), std::string::npos);
    ExpectValidDocument(2);
    EXPECT_FALSE(Html(2).empty());

    struct Extreme {
        const char* integer;
        const char* real;
    };
    const Extreme kExtremes[] = {
        {"-2147483648", "-1e308"},
        {"2147483647", "1e308"},
        {"9223372036854775807", "1e-308"},
        {"-9223372036854775808", "-0.0"},
    };
    for (const Extreme& e : kExtremes) {
        SCOPED_TRACE(e.integer);
        UpdateColumns(
            m_connection.m_database, 2,
            [](const Column& c) { return !c.key && !IsText(c) && c.table.find("Additional") != 0; },
            [&e](CStatement& s, int n, const Column& c) {
                const std::string v = c.type == "REAL" ? e.real : e.integer;
                s.BindText(n, v);  // stored as the number: the columns have numeric affinity
            });
        ExpectValidDocument(2);
        EXPECT_FALSE(Html(2).empty());
    }
}

TEST_F(HostileValues, ThousandRowsInOneTableAndTenThousandUserValues) {
    constexpr int kPC = 77, kRows = 1000, kInstances = 1000, kProperties = 10;
    {
        CTransaction transaction(m_connection.m_database);
        CStatement cpu(m_connection.m_database, "INSERT INTO CPU VALUES (?, ?, 3000, 'Maker', ?)");
        for (int i = 0; i < kRows; ++i) {
            cpu.BindLong(1, kPC);
            cpu.BindLong(2, i);
            cpu.BindText(3, "Processor <" + std::to_string(i) + ">");
            cpu.Execute();
        }
        m_connection.m_database.ExecuteSQL(
            "INSERT INTO AdditionalHardwareDevice VALUES (500, 'Sensor', 1, 1, 99)");
        CStatement property(m_connection.m_database,
                            "INSERT INTO AdditionalHardwareProperty VALUES (?, 500, ?, ?, ?)");
        for (int p = 0; p < kProperties; ++p) {
            property.BindLong(1, p);
            property.BindText(2, "Reading " + std::to_string(p));
            property.BindLong(3, p == 3);
            property.BindLong(4, p);
            property.Execute();
        }
        CStatement value(m_connection.m_database,
                         "INSERT INTO AdditionalHardware VALUES (?, 500, ?, ?, ?)");
        for (int i = 0; i < kInstances; ++i)
            for (int p = 0; p < kProperties; ++p) {
                value.BindLong(1, kPC);
                value.BindLong(2, p);
                value.BindLong(3, i);
                value.BindText(4, std::to_string(i * kProperties + p));
                value.Execute();
            }
        transaction.Commit();
    }
    const std::string document = Document(kPC);
    auto count = [&document](const std::string& what) {
        size_t n = 0;
        for (size_t at = document.find(what); at != std::string::npos;
             at = document.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("<CPU>\r\n"), static_cast<size_t>(kRows));
    EXPECT_EQ(count("<DataCol"), static_cast<size_t>(kInstances * kProperties));
    std::string problem;
    EXPECT_TRUE(report_schema::IsValidReport(document, problem)) << problem;

    // A host keeps its connection for many reports; every statement a report
    // opens must be freed with it (they once leaked, some 650 kB a report).
    for (int pc : {kPC, 2}) ASSERT_FALSE(Html(pc).empty());
    const size_t before = LiveHeapBytes();
    for (int i = 0; i < 20; ++i) ASSERT_FALSE(Html(i % 4 ? 2 : kPC).empty());
    EXPECT_LT(LiveHeapBytes(), before + 2 * 1024 * 1024) << "bytes held after 20 more reports";
}

}  // namespace
