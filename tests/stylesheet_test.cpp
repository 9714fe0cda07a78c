// The stylesheet transformer with real libxslt, and the shipped report page.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/XmlServices.h"
#include "report/CompiledStylesheet.h"
#include "report/StylesheetTransformer.h"
#include "tests/ReportSchema.h"
#include "tests/TestDatabase.h"

namespace fs = std::filesystem;
using testdb::WriteText;

namespace {

const char kShippedStylesheet[] = HW_BUILD_DIR "/Styles/StdHardwareStyleSheet.xsl";
const char kPrintStylesheet[] = HW_BUILD_DIR "/Styles/print/StdHardwareStyleSheet.xsl";

std::string SampleReport() {
    return testdb::ReadText(HW_TEST_DATA "/sample-report.xml");
}

// A report document around `body`, in the component's text conventions.
std::string Report(const std::string& body, const std::string& company = "ACME") {
    return "<?xml version=\"1.0\" encoding=\"UTF-16\" ?>\r\n"
           "<?xml-stylesheet type=\"text/xsl\" href=\"StdHardWareStyleSheet.xsl\"?>\r\n"
           "<HARDWARE>\r\n<CompanyName>" +
           company + "</CompanyName>\r\n<User>jdoe</User>\r\n" + body + "</HARDWARE>\r\n";
}

// A text-output stylesheet around `body`.
std::string TextStylesheet(const std::string& body) {
    return "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
           "<xsl:output method=\"text\"/>"
           "<xsl:param name=\"PathName\" select=\"'(none)'\"/>"
           "<xsl:template match=\"/\">" +
           body + "</xsl:template></xsl:stylesheet>";
}

// The seams: where PathName comes from (null folder: the lookup fails), and a
// host's own parameters.
class FixedFolderTransformer : public StylesheetTransformer {
public:
    explicit FixedFolderTransformer(const char* folder, Parameters parameters = {})
        : m_folder(folder), m_parameters(std::move(parameters)) {}

protected:
    bool LookUpStylesFolder(CString& folder) override {
        if (!m_folder) return false;
        folder = m_folder;
        return true;
    }
    Parameters HostParameters() const override { return m_parameters; }

private:
    const char* m_folder;
    Parameters m_parameters;
};

// Everything written to file descriptor 2 while alive.
class StderrCapture {
public:
    StderrCapture() : m_saved(dup(2)) {
        fflush(stderr);
        const int file = open(m_dir.File("stderr").c_str(), O_WRONLY | O_CREAT, 0600);
        dup2(file, 2);
        close(file);
    }
    ~StderrCapture() { Text(); }
    std::string Text() {
        fflush(stderr);
        if (m_saved >= 0) dup2(m_saved, 2), close(m_saved), m_saved = -1;
        return testdb::ReadText(m_dir.File("stderr"));
    }

private:
    testdb::TempDir m_dir;
    int m_saved;
};

// The HTML output parsed back, queried with XPath.
class Page {
public:
    explicit Page(const std::string& html)
        : m_doc(htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                               HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET),
                xmlFreeDoc) {}
    std::vector<std::string> Texts(const char* xpath) const {
        std::vector<std::string> texts;
        xmlXPathContextPtr context = xmlXPathNewContext(m_doc.get());
        xmlXPathObjectPtr result = xmlXPathEvalExpression(BAD_CAST xpath, context);
        for (int i = 0; result && result->nodesetval && i < result->nodesetval->nodeNr; ++i) {
            xmlChar* content = xmlNodeGetContent(result->nodesetval->nodeTab[i]);
            texts.emplace_back(content ? reinterpret_cast<const char*>(content) : "");
            xmlFree(content);
        }
        xmlXPathFreeObject(result);
        xmlXPathFreeContext(context);
        return texts;
    }
    size_t Count(const char* xpath) const { return Texts(xpath).size(); }
    bool Has(const char* xpath, const std::string& text) const {
        const std::vector<std::string> texts = Texts(xpath);
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

private:
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> m_doc;
};

std::string RenderWithShipped(const std::string& report,
                              const char* stylesheet = kShippedStylesheet) {
    // The print format imports the page from the Styles folder.
    FixedFolderTransformer transformer(HW_BUILD_DIR "/Styles/");
    transformer.SetStylesheetPath(stylesheet);
    CString html;
    EXPECT_TRUE(transformer.Transform(report, html));
    return html.str();
}

// ---------------------------------------------------------------------------
// The shipped report page

TEST(ReportPage, ShowsTheSampleInLabelledSectionsWithoutAWordOnStderr) {
    StderrCapture err;
    const std::string html = RenderWithShipped(SampleReport());
    EXPECT_EQ(err.Text(), "");
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u) << html.substr(0, 80);

    Page page(html);
    EXPECT_EQ(
        page.Texts("//main/section/h2"),
        (std::vector<std::string>{"System overview", "Processor and BIOS", "Mother board and slots",
                                  "Network adapters", "Video adapters and monitors", "Disk drives",
                                  "Printers", "Peripherals", "Additional hardware"}));
    EXPECT_TRUE(page.Has("//header//dd", "Société Müller & Fils"));
    EXPECT_TRUE(page.Has("//h1", "WS-ENG-0173"));
    // Labels are words, never the element names.
    for (const char* label : {"Service pack", "Physical memory", "BIOS version"})
        EXPECT_TRUE(page.Has("//dt", label)) << label;
    EXPECT_TRUE(page.Has("//section[@id='network']//dt", "Primary WINS server"));
    EXPECT_TRUE(page.Has("//th", "Clock speed"));
    EXPECT_FALSE(page.Has("//dt", "CSDVersion"));
    EXPECT_FALSE(page.Has("//th", "ClockSpeed"));

    // Values where they belong.
    EXPECT_TRUE(page.Has("//section[@id='cpu-bios']//td", "3000 MHz"));
    EXPECT_EQ(page.Count("//section[@id='cpu-bios']//tbody/tr"), 2u);
    EXPECT_TRUE(page.Has("//section[@id='system']//dd", "16 GB (16384 MB)"));
    EXPECT_TRUE(page.Has("//section[@id='network']//li/span", "fe80::1c4f:9a2b:7d31:e0c2"));
    EXPECT_TRUE(
        page.Has("//section[@id='peripherals']//td", "日本語 PS/2 キーボード (106/109 キー)"));
    // Free space as a bar: 8 % is low, 64 % fine.
    EXPECT_EQ(page.Texts("//section[@id='disks']//span[contains(@class,'bar')]/span/@style"),
              (std::vector<std::string>{"width: 8%", "width: 64%", "width: 19%"}));
    EXPECT_EQ(page.Count("//span[@class='bar low']"), 1u);
    // Empty values (service pack, WINS server, CD-ROM capacity, a dock location) show a dash.
    EXPECT_GE(page.Count("//span[@class='none']"), 4u);

    // Additional hardware: two boxes; header columns marked, double-width ones span.
    EXPECT_EQ(page.Count("//section[@id='additional']/div/div[contains(@class,'box')]"), 2u);
    EXPECT_EQ(page.Texts("//div[contains(@class,'head')]/div[@class='dname']"),
              (std::vector<std::string>{"Asset number", "Dock #1", "Dock #2", "UPS model"}));
    EXPECT_EQ(page.Texts("//div[contains(@class,'wide')]/div[@class='dname']"),
              (std::vector<std::string>{"Notes", "UPS model"}));
    EXPECT_EQ(page.Count("//div[@class='drow']"), 7u);

    // Values never become markup; the page is self-contained, its links stay within it.
    EXPECT_TRUE(page.Has("//section[@id='printers']//td",
                         "Laser MFP 4th floor <script>alert(\"x\")</script>"));
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(page.Count("//*[@src] | //link | //object | //iframe"), 0u);
    for (const std::string& href : page.Texts("//@href")) EXPECT_EQ(href[0], '#') << href;
}

TEST(ReportPage, SizesAndCodesReadAsWordsOnScreenAndPaper) {
    const std::string report = Report(
        "<SystemOverview>\r\n<SystemName>WS \"&lt;/style&gt;&lt;script&gt;x()&lt;/script&gt;\\ "
        "1</SystemName>\r\n"
        "<PhysicalMemory>-1 MB</PhysicalMemory>\r\n</SystemOverview>\r\n"
        "<MotherBoard_Slots><MemorySlot><Capacity>512 MB</Capacity></MemorySlot>"
        "<MemorySlot><Capacity>1536 MB</Capacity></MemorySlot><MemorySlot><Capacity> </Capacity>"
        "</MemorySlot><SystemSlot><InUse>4</InUse>"
        "</SystemSlot><SystemSlot><InUse>AVAILABLE</InUse></SystemSlot><SystemSlot><InUse>9</InUse>"
        "</SystemSlot><SystemSlot><InUse>4=In use|</InUse></SystemSlot></MotherBoard_Slots>\r\n"
        "<DiskDrives><LogicalDisk><Size>2048.00 GB</Size><FreeSpace>1023.99 GB</FreeSpace>"
        "</LogicalDisk></DiskDrives>\r\n<Printers><Printer><State>0</State></Printer><Printer>"
        "<State>1</State></Printer><Printer><State>7</State></Printer></Printers>\r\n");
    for (const char* stylesheet : {kShippedStylesheet, kPrintStylesheet}) {
        SCOPED_TRACE(stylesheet);
        const std::string html = RenderWithShipped(report, stylesheet);
        Page page(html);
        // An empty value is the page's muted dash on screen, a plain one on paper.
        const bool paper = stylesheet == kPrintStylesheet;
        EXPECT_TRUE(page.Has("//section[@id='system']//dd", "-1 MB"));
        EXPECT_EQ(page.Texts("//section[@id='motherboard']//tbody/tr/td[2]"),
                  (std::vector<std::string>{"512 MB", "1.5 GB (1536 MB)", paper ? "–" : "—",
                                            "In use", "Available", "9", "4=In use|"}));
        EXPECT_EQ(page.Count("//section[@id='motherboard']//td[2]/span[@class='none']"),
                  paper ? 0u : 1u);
        EXPECT_EQ(
            page.Texts("//section[@id='disks']//tbody/tr/td[position() = 3 or position() = 4]"),
            (std::vector<std::string>{"2.00 TB (2048.00 GB)", "1023.99 GB"}));
        EXPECT_EQ(page.Texts("//section[@id='printers']//tbody/tr/td[3]"),
                  (std::vector<std::string>{"Ready", "Needs attention", "7"}));
        // The footer names the PC on every printed page; the name stays inside
        // its CSS string.
        EXPECT_EQ(page.Count("//script"), 0u);
        EXPECT_EQ(
            page.Texts("//head/style[2]"),
            std::vector<std::string>{"@page { @bottom-left { content: \"WS \\22 \\3c /style\\3e "
                                     "\\3c script\\3e x()\\3c /script\\3e \\5c  1 · Hardware "
                                     "report\"; } }"});
    }
}

TEST(ReportPage, LeavesAbsentSectionsOut) {
    Page onlyDrive(RenderWithShipped(
        Report("<DiskDrives>\r\n<CDROM>\r\n<Name>DVD</Name>\r\n</CDROM>\r\n</DiskDrives>\r\n")));
    EXPECT_EQ(onlyDrive.Texts("//h2"), std::vector<std::string>{"Disk drives"});
    EXPECT_EQ(onlyDrive.Texts("//h3"), std::vector<std::string>{"Drives"});  // no logical disks
    EXPECT_EQ(onlyDrive.Count("//nav"), 0u);

    Page empty(RenderWithShipped(Report("", "")));
    EXPECT_EQ(empty.Count("//h2"), 0u);
    EXPECT_TRUE(empty.Has("//header//dd", "jdoe"));
    EXPECT_EQ(empty.Count("//header//dd/span[@class='none']"), 1u);  // the empty company
}

TEST(ReportSchema, AcceptsTheSampleAndRejectsMisplacedSections) {
    const std::string sample = SampleReport();
    std::string errors;
    EXPECT_TRUE(report_schema::IsValidReport(sample, errors)) << errors;

    EXPECT_FALSE(report_schema::IsValidReport(
        Report("<Printers>\r\n<Printer>\r\n<Name>P</Name>\r\n<Location></Location>\r\n<State>0</"
               "State>\r\n</Printer>\r\n</Printers>\r\n<CPU_BIOS>\r\n<BIOS>\r\n</BIOS>\r\n</"
               "CPU_BIOS>\r\n"),
        errors));
    EXPECT_FALSE(report_schema::IsValidReport(Report("<Printers>\r\n</Printers>\r\n"), errors));
}
TEST(QueryPage, ShowsEveryRowRoundedWithDashesAndPcLinks) {
    const std::string document =
        "<?xml version=\"1.0\" encoding=\"UTF-16\" ?>\r\n"
        "<QueryResult title=\"Disks under 10 % free\" company=\"ACME &amp; Co\">\r\n"
        "<Columns><Column link=\"pc\">PC</Column><Column type=\"number\" decimals=\"2\">Free "
        "(GB)</Column><Column type=\"number\">Memory</Column><Column>Note</Column></Columns>\r\n"
        "<Row pc=\"7\"><Value>WS-1</Value><Value>1861.66514923096</Value><Value>-1</Value>"
        "<Value>&lt;script&gt;x()&lt;/script&gt;</Value></Row>\r\n"
        "<Row pc=\"7 or 1\"><Value>WS-2</Value><Value>0.004</Value><Value>2048</Value></Row>\r\n"
        "<Row pc=\"12345678901\"><Value>WS-3</Value><Value>-1.0</Value><Value>-2</Value>"
        "<Value>n</Value></Row>\r\n"
        "</QueryResult>\r\n";
    // Only a row whose pc is a number of PC size links, and only with a pattern holding {id}.
    for (const auto& link : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"/pc/{id}", {"/pc/7"}}, {"", {}}, {"/pc/", {}}}) {
        SCOPED_TRACE(link.first);
        FixedFolderTransformer transformer(nullptr, {{"PcLink", link.first}});
        transformer.SetStylesheetPath(HW_BUILD_DIR "/Styles/HardwareComponentQuery.xsl");
        CString html;
        ASSERT_TRUE(transformer.Transform(document, html));
        Page page(html.str());
        EXPECT_EQ(page.Texts("//a/@href"), link.second);
        EXPECT_TRUE(page.Has("//h1", "Disks under 10 % free"));
        EXPECT_TRUE(page.Has("//header//dd", "ACME & Co"));
        EXPECT_EQ(page.Texts("//th"),
                  (std::vector<std::string>{"PC", "Free (GB)", "Memory", "Note"}));
        // Rounded to the column's decimals; -1 is not known; a short row fills with dashes.
        EXPECT_EQ(
            page.Texts("//tbody/tr/td"),
            (std::vector<std::string>{"WS-1", "1861.67", "\u2014", "<script>x()</script>", "WS-2",
                                      "0.00", "2048", "\u2014", "WS-3", "\u2014", "-2", "n"}));
        EXPECT_EQ(page.Texts("//tbody/tr[1]/td[2]/@class"), std::vector<std::string>{"num"});
        EXPECT_EQ(page.Count("//script"), 0u);
    }
}

// ---------------------------------------------------------------------------
// The transformer

class TransformerTest : public ::testing::Test {
protected:
    std::string Run(StylesheetTransformer& transformer, const std::string& report) {
        CString output("before");
        EXPECT_TRUE(transformer.Transform(report, output));
        return output.str();
    }
    // Renders `report` with a text stylesheet around `body`.
    std::string Echo(const char* folder, const std::string& body, const std::string& report) {
        WriteText(m_dir.File("echo.xsl"), TextStylesheet(body));
        FixedFolderTransformer transformer(folder);
        transformer.SetStylesheetPath(m_dir.File("echo.xsl").c_str());
        return Run(transformer, report);
    }
    testdb::TempDir m_dir;
};

TEST_F(TransformerTest, PassesTheStylesFolderWithForwardSlashes) {
    const char* echo = "<xsl:value-of select=\"$PathName\"/>";
    EXPECT_EQ(Echo("C:\\Suite\\Styles\\", echo, Report("")), "C:/Suite/Styles/");
    EXPECT_EQ(Echo("/opt/it's \"here\"/Styles/", echo, Report("")), "/opt/it's \"here\"/Styles/");
    EXPECT_EQ(Echo(nullptr, echo, Report("")), "(none)");

    // Without the seam the folder is found from this program's own file.
    StylesheetTransformer real;
    real.SetStylesheetPath(m_dir.File("echo.xsl").c_str());
    EXPECT_EQ(Run(real, Report("")), HW_BUILD_DIR "/Styles/");
}

TEST_F(TransformerTest, TextRoundTripsAsUtf8) {
    const char* echo = "<xsl:value-of select=\"HARDWARE/CompanyName\"/>";
    EXPECT_EQ(Echo(nullptr, echo, Report("", "Caf\xC3\xA9 M\xC3\xBCller \xE6\x97\xA5\xE6\x9C\xAC")),
              "Caf\xC3\xA9 M\xC3\xBCller \xE6\x97\xA5\xE6\x9C\xAC");
    // Bytes that are not UTF-8 read as U+FFFD instead of failing the report.
    EXPECT_EQ(Echo(nullptr, echo, Report("", "Caf\xE9!")), "Caf\xEF\xBF\xBD!");
    EXPECT_EQ(Echo(nullptr, echo, Report("", "a\xE6\x97 b\xC0\xAF c\xED\xA0\x80")),
              "a\xEF\xBF\xBD b\xEF\xBF\xBD\xEF\xBF\xBD c\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST_F(TransformerTest, DeliversUtf8WhateverEncodingTheStylesheetNames) {
    WriteText(m_dir.File("latin1.xsl"),
              "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
              "<xsl:output method=\"html\" encoding=\"ISO-8859-1\"/>"
              "<xsl:template match=\"/\"><html><head><title>t</title></head>"
              "<body><p><xsl:value-of select=\"HARDWARE/CompanyName\"/></p></body></html>"
              "</xsl:template></xsl:stylesheet>");
    FixedFolderTransformer transformer(nullptr);
    transformer.SetStylesheetPath(m_dir.File("latin1.xsl").c_str());
    const std::string html = Run(transformer, Report("", "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"));
    EXPECT_NE(html.find("<p>Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC</p>"), std::string::npos) << html;
    EXPECT_NE(html.find("charset=UTF-8"), std::string::npos) << html;
    EXPECT_EQ(html.find("ISO-8859-1"), std::string::npos) << html;
}

TEST_F(TransformerTest, KeepsTheCompiledStylesheetForTheSamePathOnly) {
    const std::string path = m_dir.File("sheet.xsl");
    WriteText(path, TextStylesheet("first"));
    // A second name for the same file that differs only in letter case.
    fs::create_symlink(path, m_dir.File("SHEET.xsl"));

    FixedFolderTransformer transformer(nullptr);
    transformer.SetStylesheetPath(path.c_str());
    EXPECT_EQ(Run(transformer, Report("")), "first");
    WriteText(path, TextStylesheet("second"));
    transformer.SetStylesheetPath(path.c_str());
    EXPECT_EQ(Run(transformer, Report("")), "first");
    transformer.SetStylesheetPath(m_dir.File("SHEET.xsl").c_str());
    EXPECT_EQ(Run(transformer, Report("")), "second");
}

// A stylesheet importing part.xsl, each writing its mark: the same length
// for every mark, so that a rewrite keeps the file's size.
std::string ImportingStylesheet(char mark, const std::string& import = "part.xsl") {
    std::string sheet = TextStylesheet(std::string(1, mark) + "<xsl:call-template name=\"part\"/>");
    return sheet.insert(sheet.find('>') + 1, "<xsl:import href=\"" + import + "\"/>");
}
std::string PartStylesheet(char mark) {
    return "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
           "<xsl:template name=\"part\">" +
           std::string(1, mark) + "</xsl:template></xsl:stylesheet>";
}

// Compiled stylesheets are kept across reports; each report is a new
// transformer, and must see what is on disk now.
TEST_F(TransformerTest, AChangeToTheStylesheetOrWhatItImportsShowsAtTheNextReport) {
    const std::string sheet = m_dir.File("kept.xsl"), part = m_dir.File("part.xsl");
    auto report = [&](const char* styles = nullptr, const std::string& path = "") {
        FixedFolderTransformer transformer(styles);
        transformer.SetStylesheetPath((path.empty() ? sheet : path).c_str());
        CString output;
        return transformer.Transform(Report(""), output) ? output.str()
                                                         : "failed: " + GetLastTransformFailure();
    };
    WriteText(sheet, ImportingStylesheet('a'));
    WriteText(part, PartStylesheet('1'));
    const size_t keptBefore = CompiledStylesheetsKept();
    EXPECT_EQ(report(), "a1");
    EXPECT_EQ(report(), "a1");
    EXPECT_EQ(CompiledStylesheetsKept(), keptBefore + 1);

    // Rewritten in place within the same second, size unchanged.
    WriteText(sheet, ImportingStylesheet('b'));
    EXPECT_EQ(report(), "b1");
    WriteText(part, PartStylesheet('2'));
    EXPECT_EQ(report(), "b2");
    // ... and with the old modification time put back.
    struct stat old;
    ASSERT_EQ(stat(part.c_str(), &old), 0);
    WriteText(part, PartStylesheet('3'));
    const struct timespec times[2] = {old.st_atim, old.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, part.c_str(), times, 0), 0);
    EXPECT_EQ(report(), "b3");
    // Replaced by another file under the same name.
    WriteText(part + ".new", PartStylesheet('4'));
    fs::rename(part + ".new", part);
    EXPECT_EQ(report(), "b4");

    // A stylesheet that does not compile is never kept: it fails, says why,
    // and works again as soon as it is mended.
    WriteText(part, "<xsl:stylesheet");
    EXPECT_NE(report().find("kept.xsl is not a usable XSLT stylesheet"), std::string::npos);
    EXPECT_NE(report().find("kept.xsl is not a usable XSLT stylesheet"), std::string::npos);
    WriteText(part, PartStylesheet('5'));
    EXPECT_EQ(report(), "b5");
    EXPECT_EQ(CompiledStylesheetsKept(), keptBefore + 1);

    // What may be read is part of what was compiled: an import that only
    // the Styles folder admits fails without it, kept or not.
    testdb::TempDir styles;
    WriteText(styles.File("shared.xsl"), PartStylesheet('s'));
    const std::string importer = m_dir.File("importer.xsl");
    WriteText(importer, ImportingStylesheet('i', styles.File("shared.xsl")));
    const std::string folder = styles.Path() + "/";
    EXPECT_EQ(report(folder.c_str(), importer), "is");
    EXPECT_NE(report(nullptr, importer).find("is refused: it is outside the Styles folder"),
              std::string::npos);
    EXPECT_EQ(report(folder.c_str(), importer), "is");
    // The same file named as a URL, each way a file URL may be written.
    for (const char* scheme : {"file://localhost", "file://", "file:"}) {
        WriteText(importer, ImportingStylesheet('i', scheme + styles.File("shared.xsl")));
        EXPECT_EQ(report(folder.c_str(), importer), "is") << scheme;
    }
}

TEST_F(TransformerTest, AnUnchangedStylesheetIsCompiledOnceAndAtMostSixteenAreKept) {
    const std::string once = m_dir.File("once.xsl");
    WriteText(once, TextStylesheet("once"));
    std::string failure;
    const auto compiled = LoadCompiledStylesheet(once, {m_dir.Path() + "/"}, failure);
    ASSERT_TRUE(compiled) << failure;
    ShareCompiledStylesheet(compiled);
    EXPECT_EQ(LoadCompiledStylesheet(once, {m_dir.Path() + "/"}, failure), compiled);
    // xsl:number writes into its compiled form at every run: never shared.
    const std::string numbered = m_dir.File("numbered.xsl");
    WriteText(numbered, TextStylesheet("<xsl:number value=\"7\"/>"));
    const auto unshared = LoadCompiledStylesheet(numbered, {m_dir.Path() + "/"}, failure);
    ASSERT_TRUE(unshared) << failure;
    EXPECT_TRUE(compiled->Shareable());
    EXPECT_FALSE(unshared->Shareable());

    for (int i = 0; i < 20; ++i) {  // the first drops the one above
        const std::string path = m_dir.File(std::to_string(i) + ".xsl");
        WriteText(path, TextStylesheet(std::to_string(i)));
        FixedFolderTransformer transformer(nullptr);
        transformer.SetStylesheetPath(path.c_str());
        EXPECT_EQ(Run(transformer, Report("")), std::to_string(i));
    }
    EXPECT_EQ(CompiledStylesheetsKept(), 16u);
}

// The stylesheet file, and what it reads, as an attacker or an accident leaves them.
enum class Sheet { kText, kMissing, kDevZero, kHuge, kPipe };

TEST_F(TransformerTest, EveryFailureSaysWhyAndLeavesTheOutputAndStderrAlone) {
    const std::string good = TextStylesheet("ok");
    testdb::TempDir outside;
    const std::string secret = outside.File("secret.xml");
    WriteText(secret, "<secret>s3cret</secret>");
    WriteText(outside.File("import.xsl"), TextStylesheet("imported"));
    const std::string recursion =
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:template match=\"/\"><xsl:call-template name=\"again\"/></xsl:template>"
        "<xsl:template name=\"again\"><xsl:call-template name=\"again\"/></xsl:template>"
        "</xsl:stylesheet>";
    const struct {
        const char* what;
        Sheet sheet;
        std::string stylesheet;
        std::string report;
        std::string reason;
    } cases[] = {
        {"missing stylesheet", Sheet::kMissing, "", Report(""), "cannot read stylesheet"},
        {"stylesheet is /dev/zero", Sheet::kDevZero, "", Report(""), "is not a regular file"},
        {"stylesheet of 3 GB", Sheet::kHuge, "", Report(""), "is larger than 16 MB"},
        {"stylesheet is a pipe", Sheet::kPipe, "", Report(""), "is not a regular file"},
        {"stylesheet is not XSLT", Sheet::kText, "<root><child/></root>", Report(""),
         "is not a usable XSLT stylesheet"},
        {"stylesheet not well formed", Sheet::kText, "<xsl:stylesheet version=\"1.0\"", Report(""),
         "is not well-formed XML: line 1: "},
        {"empty text", Sheet::kText, good, "", "the report document is not well-formed XML"},
        {"text not well formed", Sheet::kText, good, Report("<CPU_BIOS>\r\n"),
         "the report document is not well-formed XML: line 7: "},
        {"text with a control character", Sheet::kText, good, Report("", "a\x01"),
         "the report document is not well-formed XML: line 4: PCDATA invalid Char value 1"},
        {"stylesheet stops itself", Sheet::kText,
         TextStylesheet("<xsl:message terminate=\"yes\">stop</xsl:message>"), Report(""),
         "the transformation was stopped: stop"},
        {"endless recursion", Sheet::kText, recursion, Report(""), "infinite template recursion"},
        {"stylesheet writes a file", Sheet::kText,
         TextStylesheet("<xsl:document href=\"" + m_dir.File("written.txt") +
                        "\" method=\"text\">x</xsl:document>done"),
         Report(""), "refused"},
        {"document() outside the Styles folder", Sheet::kText,
         TextStylesheet("<xsl:value-of select=\"document('" + secret + "')\"/>"), Report(""),
         "reading " + secret + " is refused"},
        {"xsl:import from outside", Sheet::kText,
         "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
         "<xsl:import href=\"" +
             outside.File("import.xsl") + "\"/></xsl:stylesheet>",
         Report(""), "is refused: it is outside the Styles folder"},
        {"external entity from outside", Sheet::kText,
         "<!DOCTYPE xsl:stylesheet [<!ENTITY secret SYSTEM \"" + secret + "\">]>" +
             TextStylesheet("&secret;"),
         Report(""), "is refused: it is outside the Styles folder"},
    };
    const std::string path = m_dir.File("failing.xsl");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(path);
        if (c.sheet == Sheet::kText) WriteText(path, c.stylesheet);
        if (c.sheet == Sheet::kDevZero) fs::create_symlink("/dev/zero", path);
        if (c.sheet == Sheet::kHuge) {
            WriteText(path, good);
            fs::resize_file(path, 3ull << 30);  // sparse: nothing is written
        }
        if (c.sheet == Sheet::kPipe) {
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        }
        StderrCapture err;
        FixedFolderTransformer transformer("C:\\Suite\\Styles\\");
        transformer.SetStylesheetPath(path.c_str());
        CString output("kept");
        EXPECT_FALSE(transformer.Transform(c.report, output));
        EXPECT_EQ(output.str(), "kept");
        EXPECT_NE(GetLastTransformFailure().find(c.reason), std::string::npos)
            << "[" << GetLastTransformFailure() << "]";
        EXPECT_EQ(GetLastTransformFailure().find("s3cret"), std::string::npos);
        EXPECT_EQ(err.Text(), "");
    }
    EXPECT_FALSE(fs::exists(m_dir.File("written.txt")));

    // Beside the stylesheet is fair game; no output at all says so too.
    WriteText(m_dir.File("labels.xml"), "<labels>Processor</labels>");
    EXPECT_EQ(Echo(nullptr, "<xsl:value-of select=\"document('labels.xml')\"/>", Report("")),
              "Processor");
    EXPECT_EQ(GetLastTransformFailure(), "");
    EXPECT_EQ(Echo(nullptr, "", Report("")), "");
    EXPECT_EQ(GetLastTransformFailure(), "the stylesheet produced no output");
}

// Every thread transforms with the same compiled stylesheets: many threads
// on two Styles folders, while the file that one folder's stylesheet imports
// is replaced again and again.
TEST(TransformerThreads, ShareCompiledStylesheetsOfTwoFoldersWhileOneChanges) {
    testdb::TempDir folders[2];
    for (int f = 0; f < 2; ++f) {
        std::string sheet = ImportingStylesheet(f ? 'B' : 'A');
        sheet.insert(sheet.find("</xsl:template>"), "<xsl:value-of select=\"$PathName\"/>");
        WriteText(folders[f].File("main.xsl"), sheet);
        WriteText(folders[f].File("part.xsl"), PartStylesheet('1'));
    }
    const std::string styles[2] = {folders[0].Path() + "/", folders[1].Path() + "/"};
    auto render = [&](int f) {
        FixedFolderTransformer transformer(styles[f].c_str());
        transformer.SetStylesheetPath((styles[f] + "main.xsl").c_str());
        CString output;
        transformer.Transform(Report(""), output);
        return output.str();
    };

    std::atomic<bool> changing{true};
    std::atomic<int> wrong{0};
    std::thread changer([&] {
        for (int i = 0; i < 40; ++i) {
            const std::string next = folders[1].File("part.new");
            WriteText(next, PartStylesheet(i % 2 ? '1' : '2'));
            fs::rename(next, folders[1].File("part.xsl"));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        changing = false;
    });
    std::vector<std::thread> renderers;
    for (int t = 0; t < 6; ++t) {
        renderers.emplace_back([&, t] {
            for (int i = 0; i < 150 || changing; ++i) {
                const int f = (i + t) % 2;
                const std::string html = render(f);
                if (f == 0 ? html != "A1" + styles[0]
                           : html != "B1" + styles[1] && html != "B2" + styles[1])
                    ++wrong;
            }
        });
    }
    changer.join();
    for (std::thread& renderer : renderers) renderer.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(render(1), "B1" + styles[1]);  // the last version written
}

int g_hostMessages = 0;
void CountHostMessage(void*, const char*, ...) {
    ++g_hostMessages;
}

TEST_F(TransformerTest, GivesTheHostsErrorHandlersBack) {
    xmlSetGenericErrorFunc(nullptr, CountHostMessage);
    xsltSetGenericErrorFunc(nullptr, CountHostMessage);
    WriteText(m_dir.File("not-xslt.xsl"), "<root/>");
    {
        FixedFolderTransformer transformer(nullptr);
        transformer.SetStylesheetPath(m_dir.File("not-xslt.xsl").c_str());
        CString output;
        EXPECT_FALSE(transformer.Transform("<broken", output));
    }
    EXPECT_EQ(g_hostMessages, 0);
    EXPECT_EQ(xsltGenericError, &CountHostMessage) << "the host's own handler, not a forwarder";

    // The host's own mistakes reach the host's handlers again.
    xmlDocPtr doc = xmlReadMemory("<broken", 7, nullptr, nullptr, 0);
    EXPECT_EQ(doc, nullptr);
    const int afterParse = g_hostMessages;
    EXPECT_GT(afterParse, 0);
    xmlDocPtr notXslt = xmlReadMemory("<root/>", 7, nullptr, nullptr, 0);
    EXPECT_EQ(xsltParseStylesheetDoc(notXslt), nullptr);
    xmlFreeDoc(notXslt);
    EXPECT_GT(g_hostMessages, afterParse);

    xmlSetGenericErrorFunc(nullptr, nullptr);
    xsltSetGenericErrorFunc(nullptr, nullptr);
}

}  // namespace
