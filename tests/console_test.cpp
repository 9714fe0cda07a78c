// hwconsole run as a user runs it: a subprocess, its output and exit code.
#include <gtest/gtest.h>

#include <string>

#include "tests/Subprocess.h"

namespace {

const std::string kBuild = HW_BUILD_DIR;
const std::string kConsole = kBuild + "/bin/hwconsole";

TEST(ConsoleInfo, ShowsTheVerifiedComponent) {
    ProcessResult r = RunProcess({kConsole, "info"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("identity:          3"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Hardware Inventory"), std::string::npos);
    EXPECT_NE(r.out.find("HardwareComponentQuery.xsl"), std::string::npos);
    EXPECT_NE(r.out.find("message VYNGETLOADEDCOMPONENTS:     0xC"), std::string::npos);
    EXPECT_NE(r.out.find(kBuild + "/Components/HardwareListH.so"), std::string::npos)
        << "the component is found beside the program's own folder";
}

TEST(ConsoleInfo, RefusesWhatIsNotTheComponent) {
    struct Case {
        std::string component;
        std::string message;
    } cases[] = {
        {kBuild + "/no/such/HardwareListH.so", "component not found"},
        {HW_SOURCE_DIR "/CMakeLists.txt", "cannot load component"},
        {kBuild + "/lib/libhwplatform.so", "lacks the export(s): GetID, Verify"},
        {kBuild + "/tests/libfake_component.so", "failed the Verify handshake"},
    };
    for (const Case& c : cases) {
        ProcessResult r = RunProcess({kConsole, "info", "--component", c.component});
        EXPECT_EQ(r.exitCode, 3) << c.component;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

TEST(ConsoleInfo, UsageErrorsAreExitCodeTwo) {
    ProcessResult none = RunProcess({kConsole});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("usage: hwconsole"), std::string::npos);
    ProcessResult unknown = RunProcess({kConsole, "frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown command 'frobnicate'"), std::string::npos);
    ProcessResult help = RunProcess({kConsole, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("exit codes:"), std::string::npos);
}

}  // namespace
