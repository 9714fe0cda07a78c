// Display through the export, as the console calls it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "host/ComponentLoader.h"
#include "tests/TestDatabase.h"
#include "tests/TestReport.h"

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
    const DisplayRequest request = testreport::Request(connection, 2);
    CString host;
    if (loaded) component.Exports().Display(&request, &host);
    EXPECT_EQ(chdir(previous), 0);
    ASSERT_TRUE(loaded) << component.Error();
    EXPECT_NE(host.str().find("<html"), std::string::npos) << "no page: Styles/ was looked up from /";
}

// The host's string on entry names a Styles folder to load from; PathName
// still names the installation's. An empty folder gives 1 and no text.
TEST(DisplayExport, TheHostsFolderSuppliesTheStylesheetAndPathNameTheInstallation) {
    CDataConnection connection;
    connection.Open(testdb::SqliteConnect(testdb::SampleFleet()).c_str());
    const DisplayRequest request = testreport::Request(connection, 2, "Acme <Corp>");
    CString shipped;
    EXPECT_EQ(testreport::Component().Display(&request, &shipped), 1);
    EXPECT_NE(shipped.str().find("Acme &lt;Corp&gt;"), std::string::npos);
    EXPECT_NE(shipped.str().find("Zoë Müller"), std::string::npos);

    testdb::TempDir styles;
    CString empty((styles.Path() + "/").c_str());
    EXPECT_EQ(testreport::Component().Display(&request, &empty), 1);
    EXPECT_TRUE(empty.IsEmpty()) << "the folder text on entry must be gone";

    testdb::WriteText(
        styles.File("StdHardwareStyleSheet.xsl"),
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:output method=\"text\"/><xsl:param name=\"PathName\"/>"
        "<xsl:template match=\"/\">[<xsl:value-of select=\"$PathName\"/>]"
        "<xsl:value-of select=\"/HARDWARE/CompanyName\"/></xsl:template></xsl:stylesheet>");
    CString host((styles.Path() + "/").c_str());
    EXPECT_EQ(testreport::Component().Display(&request, &host), 1);
    EXPECT_EQ(host.str(), "[" + kBuild + "/Styles/]Acme <Corp>");
}

}  // namespace
