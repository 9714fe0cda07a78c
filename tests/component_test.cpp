// The component as a host sees it: loaded with dlopen, reached only through
// its exports; plus the run-state flags, which only the object itself shows.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "component/HardwareListApp.h"
#include "console/ComponentLoader.h"

namespace {

const std::string kComponent = std::string(HW_BUILD_DIR) + "/Components/HardwareListH.so";

class ComponentExports : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(s_loader.Load(kComponent)) << s_loader.Error(); }
    static ComponentLoader s_loader;
    const HwExports& e = s_loader.Exports();
};
ComponentLoader ComponentExports::s_loader;

TEST_F(ComponentExports, IdentityAndFixedAnswers) {
    EXPECT_EQ(e.GetID(), 3);
    EXPECT_STREQ(e.GetName(0), "Hardware Inventory");
    EXPECT_EQ(e.GetName(0), e.GetName(12345)) << "GetName must hand out its static text";
    EXPECT_EQ(e.Activate(0), 1);
    EXPECT_EQ(e.Deactivate(), 1);
    EXPECT_EQ(e.Unload(0), 1);
    EXPECT_EQ(e.GetCommands(0), 0);
    EXPECT_EQ(e.GetConfig(1, 2), 1);
    EXPECT_EQ(e.SetConfig(7), 0);
    EXPECT_EQ(e.Store(1, 2, 3, 4), 1);
    EXPECT_EQ(e.Install(0), 0);
    EXPECT_EQ(e.GetDialog(1, 2, 3, 4), 0);
    EXPECT_EQ(e.GetFileList(0), 0);
    MSG msg{};
    msg.message = 0x0100;
    EXPECT_EQ(e.PreTranslateMessage(&msg), 0) << "the component has no windows to consume messages";
    e.DataSent(0);
    e.UnActivate();
}

TEST_F(ComponentExports, ExecuteIsNotSupportedAndLeavesTheComponentIdle) {
    EXPECT_EQ(e.Execute(0, 0, 0), 0x80000000u);
    // Idle means a waiting halt returns at once.
    e.HaltExecution(true);
    e.HaltExecution(false);
}

TEST_F(ComponentExports, VerifyAnswersTheAgreedKeyedHash) {
    for (const char* challenge : {"", "a", "8f2c01d7e4", "challenge with spaces"})
        EXPECT_EQ(e.Verify(challenge), HwVerifyResponse(challenge)) << challenge;
    EXPECT_NE(e.Verify("abc"), e.Verify("abd"));
    EXPECT_NE(HwVerifyResponse("abc"), 0u);
}

TEST_F(ComponentExports, InitYieldsOneWhateverTheResetField) {
    HwInitBlock block{};
    EXPECT_EQ(e.Init(&block), 1);
    block.Reset = 1;
    EXPECT_EQ(e.Init(&block), 1);
}

TEST_F(ComponentExports, GetContextValueNamesTheQueryStylesheetOnlyForOne) {
    CString host("earlier content");
    EXPECT_FALSE(e.GetContextValue(0, &host));
    EXPECT_FALSE(e.GetContextValue(2, &host));
    EXPECT_FALSE(e.GetContextValue(-1, &host));
    EXPECT_EQ(host.str(), "earlier content");
    EXPECT_TRUE(e.GetContextValue(1, &host));
    EXPECT_EQ(host.str(), "HardwareComponentQuery.xsl");
}

TEST_F(ComponentExports, SetParentAppWindowReturnsWhatItWasGiven) {
    int a = 0, b = 0;
    EXPECT_EQ(e.SetParentAppWindow(&a), &a);
    EXPECT_EQ(e.SetParentAppWindow(&b), &b);
    EXPECT_EQ(e.SetParentAppWindow(nullptr), nullptr);
}

TEST_F(ComponentExports, EveryExportRestoresTheCallersModuleState) {
    AFX_MODULE_STATE* mine = AfxGetModuleState();
    e.GetID();
    CString host;
    e.GetContextValue(1, &host);
    e.Execute(0, 0, 0);
    EXPECT_EQ(AfxGetModuleState(), mine);
    EXPECT_EQ(AfxGetApp(), nullptr) << "the host has no application object of the component's";
}

TEST_F(ComponentExports, RegistersItsTwoMessagesAtLoad) {
    // The registry is shared with the host: had the component not registered
    // the names at load, these would be the host's first two identifiers.
    UINT loaded = RegisterWindowMessageA("vyngetloadedcomponents");
    UINT sent = RegisterWindowMessageA("VYNClientComponentDataSent");
    EXPECT_GE(loaded, 0xC000u);
    EXPECT_NE(loaded, sent);
    EXPECT_LT(RegisterWindowMessageA("a name nobody registered"), 0x10000u);
    EXPECT_GT(RegisterWindowMessageA("another unregistered name"), sent);
}

TEST(ComponentSymbols, ExportsExactlyTheTwentyTwoFunctions) {
    std::string command = "nm -D --defined-only '" + kComponent + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (fgets(line, sizeof line, pipe)) {
        char address[64], type[8], name[400];
        if (sscanf(line, "%63s %7s %399s", address, type, name) == 3) names.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    std::set<std::string> expected(std::begin(kHwExportNames), std::end(kHwExportNames));
    EXPECT_EQ(names, expected);
}

// The run-state flags, on an object of the component's own class.
class BlockingApp : public HardwareListApp {
public:
    uint32_t Execute(intptr_t, intptr_t, intptr_t) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_started = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_release; });
        return HardwareListApp::Execute(0, 0, 0);
    }
    void WaitUntilStarted() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_started; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_release = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_started = false;
    bool m_release = false;
};

TEST(RunStateFlags, WaitingHaltReturnsOnlyAfterExecuteHasEnded) {
    BlockingApp app;
    std::atomic<int> clock{0};
    int executeEnded = -1, haltReturned = -1;
    std::thread worker([&] {
        EXPECT_EQ(app.RunExecute(0, 0, 0), 0x80000000u);
        executeEnded = clock++;
    });
    app.WaitUntilStarted();
    EXPECT_TRUE(app.m_bBusy);
    std::thread halter([&] {
        app.HaltExecution(true);
        haltReturned = clock++;
    });
    // Let the halter reach its polling loop before Execute may end.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(haltReturned, -1) << "HaltExecution returned while Execute was still running";
    app.Release();
    worker.join();
    halter.join();
    EXPECT_LT(executeEnded, haltReturned);
    EXPECT_FALSE(app.m_bBusy);
    EXPECT_TRUE(app.m_bHaltRequested);
}

TEST(RunStateFlags, InitClearsThemOnlyWithTheResetField) {
    HardwareListApp app;
    app.HaltExecution(false);
    EXPECT_TRUE(app.m_bHaltRequested);
    app.m_bBusy = true;
    HwInitBlock block{};
    EXPECT_EQ(app.RunInit(&block), 1);
    EXPECT_TRUE(app.m_bHaltRequested);
    EXPECT_TRUE(app.m_bBusy);
    block.Reset = 0x100;
    EXPECT_EQ(app.RunInit(&block), 1);
    EXPECT_FALSE(app.m_bHaltRequested);
    EXPECT_FALSE(app.m_bBusy);
}

TEST(RunStateFlags, BusyClearsEvenWhenExecuteThrows) {
    struct ThrowingApp : HardwareListApp {
        uint32_t Execute(intptr_t, intptr_t, intptr_t) override { throw std::runtime_error("x"); }
    } app;
    EXPECT_THROW(app.RunExecute(0, 0, 0), std::runtime_error);
    EXPECT_FALSE(app.m_bBusy);
}

}  // namespace
