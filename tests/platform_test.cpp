// The class-library layer: strings, module state, and the Win32 shims.
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/CString.h"
#include "platform/ModuleState.h"
#include "platform/Win32.h"
#include "tests/TestLocale.h"

namespace {

TEST(CString, FormatIgnoresTheProcessLocale) {
    ASSERT_TRUE(UseDecimalCommaLocale());
    CString s;
    s.Format("%.2f GB", 74.53125);
    EXPECT_EQ(s.str(), "74.53 GB");
    s.AppendFormat(" %d MB %.1f", -1, 1234567.25);
    EXPECT_EQ(s.str(), "74.53 GB -1 MB 1234567.2");
    setlocale(LC_ALL, "C");
}

TEST(CString, LongOutputAndEditsAtTheEdges) {
    CString s;
    s.Format("<%s>", std::string(5000, 'x').c_str());
    EXPECT_EQ(s.GetLength(), 5002);
    EXPECT_EQ(s.Left(0).str(), "");
    EXPECT_EQ(s.Mid(5001, 9).str(), ">");
    EXPECT_EQ(s.Mid(6000).str(), "");
    CString t("aXbXc");
    EXPECT_EQ(t.Replace("X", "XX"), 2);  // a replacement that contains what it replaces
    EXPECT_EQ(t.str(), "aXXbXXc");
    EXPECT_EQ(CString("Styles").CompareNoCase("STYLES"), 0);
}

TEST(ModuleState, CurrentStateIsPerThread) {
    AFX_MODULE_STATE component("test component");
    AFX_MANAGE_STATE(&component);
    AFX_MODULE_STATE* seenByOther = nullptr;
    std::thread([&] { seenByOther = AfxGetModuleState(); }).join();
    EXPECT_EQ(seenByOther, AfxGetAppModuleState());
    EXPECT_EQ(AfxGetModuleState(), &component);
}

TEST(ModuleState, FailingInitInstanceLeavesNoApplicationObject) {
    struct App : CWinApp {
        BOOL result;
        int exits = 0;
        explicit App(BOOL r) : result(r) {}
        BOOL InitInstance() override { return result; }
        int ExitInstance() override { return ++exits, 0; }
    };
    AFX_MODULE_STATE good("good"), bad("bad");
    App ok(1), failing(0);
    EXPECT_TRUE(AfxAttachModule(&good, &ok, reinterpret_cast<HINSTANCE>(0x1000)));
    EXPECT_EQ(good.m_pCurrentWinApp, &ok);
    EXPECT_EQ(ok.m_hInstance, reinterpret_cast<HINSTANCE>(0x1000));
    EXPECT_FALSE(AfxAttachModule(&bad, &failing, nullptr));
    EXPECT_EQ(bad.m_pCurrentWinApp, nullptr);
    EXPECT_EQ(failing.exits, 1);
    AfxDetachModule(&good);
    EXPECT_EQ(ok.exits, 1);
    EXPECT_EQ(good.m_pCurrentWinApp, nullptr);
}

TEST(Win32, ModuleFileNameIsAbsoluteOrNothing) {
    char path[4096];
    HMODULE platform = AfxModuleFromAddress(reinterpret_cast<const void*>(&RegisterWindowMessageA));
    ASSERT_GT(GetModuleFileNameA(platform, path, sizeof path), 0u);
    EXPECT_EQ(path[0], '/');
    EXPECT_NE(std::string(path).find("libhwplatform.so"), std::string::npos) << path;
    char tiny[4];
    EXPECT_EQ(GetModuleFileNameA(platform, tiny, sizeof tiny), 0u);
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(0x10), path, sizeof path), 0u);
}

TEST(Win32, WindowMessagesAreStablePerNameAcrossThreads) {
    std::vector<UINT> ids(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < ids.size(); ++i)
        threads.emplace_back([&ids, i] {
            ids[i] = RegisterWindowMessageA(i % 2 ? "HwTestMessage" : "hwtestmessage");
        });
    for (auto& t : threads) t.join();
    for (UINT id : ids) EXPECT_EQ(id, ids[0]);
    EXPECT_GE(ids[0], 0xC000u);
    EXPECT_LE(ids[0], 0xFFFFu);
    EXPECT_NE(RegisterWindowMessageA("HwTestMessage2"), ids[0]);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
}

}  // namespace
