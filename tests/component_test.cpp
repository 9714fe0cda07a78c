// The component as a host sees it: loaded with dlopen, reached only through
// its exports; plus the run-state flags, which only the object itself shows.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "component/HardwareListApp.h"
#include "host/ComponentLoader.h"
#include "tests/Subprocess.h"

namespace {

const std::string kComponent = std::string(HW_BUILD_DIR) + "/Components/HardwareListH.so";

class ComponentExports : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(s_loader.Load(kComponent)) << s_loader.Error(); }
    static ComponentLoader s_loader;
    const HwExports& e = s_loader.Exports();
};
ComponentLoader ComponentExports::s_loader;

TEST_F(ComponentExports, FixedAnswersAndTheCallersModuleStateRestored) {
    AFX_MODULE_STATE* mine = AfxGetModuleState();
    EXPECT_STREQ(e.GetName(0), "Hardware Inventory");
    EXPECT_EQ(e.GetName(0), e.GetName(12345)) << "GetName must hand out its static text";
    HwInitBlock block{}, reset{};
    reset.Reset = 1;
    MSG msg{};
    msg.message = 0x0100;  // the component has no windows to consume messages
    EXPECT_EQ((std::vector<long long>{e.GetID(), e.Activate(0), e.Deactivate(), e.Unload(0),
                                      e.GetCommands(0), e.GetConfig(1, 2), e.SetConfig(7),
                                      e.Store(1, 2, 3, 4), e.Install(0), e.GetDialog(1, 2, 3, 4),
                                      e.GetFileList(0), e.PreTranslateMessage(&msg), e.Init(&block),
                                      e.Init(&reset)}),
              (std::vector<long long>{3, 1, 1, 1, 0, 1, 0, 1, 0, 0, 0, 0, 1, 1}));
    int a = 0;
    EXPECT_EQ(e.SetParentAppWindow(&a), &a);
    EXPECT_EQ(e.SetParentAppWindow(nullptr), nullptr);
    e.DataSent(0);
    e.UnActivate();
    // Execute is not supported and leaves the component idle: a waiting halt returns at once.
    EXPECT_EQ(e.Execute(0, 0, 0), 0x80000000u);
    e.HaltExecution(true);
    e.HaltExecution(false);
    // Only context value 1 exists: the query stylesheet's name.
    CString host("earlier content");
    for (int32_t index : {0, 2, -1}) EXPECT_FALSE(e.GetContextValue(index, &host)) << index;
    EXPECT_EQ(host.str(), "earlier content");
    EXPECT_TRUE(e.GetContextValue(1, &host));
    EXPECT_EQ(host.str(), "HardwareComponentQuery.xsl");
    for (const char* challenge : {"", "8f2c01d7e4", "challenge with spaces"})
        EXPECT_EQ(e.Verify(challenge), HwVerifyResponse(challenge)) << challenge;
    EXPECT_NE(e.Verify("abc"), e.Verify("abd"));
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
    ProcessResult nm = RunProcess({"/usr/bin/nm", "-D", "--defined-only", kComponent});
    ASSERT_EQ(nm.exitCode, 0) << nm.err;
    std::istringstream lines(nm.out);
    std::set<std::string> names;
    for (std::string address, type, name; lines >> address >> type >> name;) names.insert(name);
    EXPECT_EQ(names, std::set<std::string>(std::begin(kHwExportNames), std::end(kHwExportNames)));
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
