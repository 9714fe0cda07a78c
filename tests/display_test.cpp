// Display through the export, as the console calls it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <string>

#include "host/ComponentLoader.h"
#include "platform/ModuleState.h"
#include "tests/TestDatabase.h"

namespace {

const std::string kBuild = HW_BUILD_DIR;

// First in the file: in a run of the whole program the component is not yet
// loaded by an absolute path.
TEST(DisplayRelativeLoad, FindsItsStylesAfterTheHostChangesDirectory) {
    char previous[PATH_MAX];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(kBuild.c_str()), 0);
    ComponentLoader component;
    const bool loaded = component.Load("Components/HardwareListH.so");
    ASSERT_EQ(chdir("/"), 0);
    CDataConnection connection;
    connection.Open(testdb::SqliteConnect(testdb::SampleFleet()).c_str());
    DisplayRequest request;
    request.Connection = &connection;
    request.PCID = 2;
    CString host;
    if (loaded) component.Exports().Display(&request, &host);
    EXPECT_EQ(chdir(previous), 0);
    ASSERT_TRUE(loaded) << component.Error();
    EXPECT_NE(host.str().find("<html"), std::string::npos) << "no page: Styles/ was looked up from /";
}

class DisplayExport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(s_component.Load(kBuild + "/Components/HardwareListH.so"))
            << s_component.Error();
    }
    void SetUp() override { Connect(testdb::SampleFleet()); }
    void Connect(const std::string& file) {
        m_connection.Close();
        m_connection.Open(testdb::SqliteConnect(file).c_str());
        m_request.Connection = &m_connection;
        m_request.PCID = 2;
        m_request.CompanyName = "Acme <Corp>";
        m_request.User = "admin";
    }

    int32_t Display(CString& host) { return s_component.Exports().Display(&m_request, &host); }

    static ComponentLoader s_component;
    CDataConnection m_connection;
    DisplayRequest m_request;
};
ComponentLoader DisplayExport::s_component;

TEST_F(DisplayExport, ReturnsTheHtmlOfTheShippedStylesheet) {
    CString host;
    EXPECT_EQ(Display(host), 1);
    const std::string html = host.str();
    EXPECT_NE(html.find("<html"), std::string::npos) << html.substr(0, 200);
    EXPECT_NE(html.find("Acme &lt;Corp&gt;"), std::string::npos);
    EXPECT_NE(html.find("Core X 5600"), std::string::npos);
    EXPECT_NE(html.find("Zoë Müller"), std::string::npos);
}

TEST_F(DisplayExport, MissingStylesheetGivesOneAndAnEmptyString) {
    testdb::TempDir empty;
    CString host((empty.Path() + "/").c_str());
    EXPECT_EQ(Display(host), 1);
    EXPECT_TRUE(host.IsEmpty()) << "the folder text on entry must be gone";
}

TEST_F(DisplayExport, HostFolderIsUsedForLoadingWhilePathNameNamesTheInstallation) {
    testdb::TempDir styles;
    std::ofstream(styles.File("StdHardwareStyleSheet.xsl"))
        << "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
           "<xsl:output method=\"text\"/><xsl:param name=\"PathName\"/>"
           "<xsl:template match=\"/\">[<xsl:value-of select=\"$PathName\"/>]"
           "<xsl:value-of select=\"/HARDWARE/CompanyName\"/></xsl:template>"
           "</xsl:stylesheet>";
    CString host((styles.Path() + "/").c_str());
    EXPECT_EQ(Display(host), 1);
    EXPECT_EQ(host.str(), "[" + kBuild + "/Styles/]Acme <Corp>");
}

TEST_F(DisplayExport, DatabaseExceptionReachesTheHostWithAnEmptyString) {
    testdb::TempDir dir;
    Connect(testdb::FleetWithout(dir, "Printer"));
    CString host("text on entry");
    try {
        Display(host);
        FAIL() << "Display returned although the Printer table is gone";
    } catch (const CDBException& e) {
        EXPECT_NE(std::string(e.what()).find("Printer"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(host.IsEmpty());
    EXPECT_EQ(AfxGetApp(), nullptr) << "the caller's module state must be current again";
}

}  // namespace
