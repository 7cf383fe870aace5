#include <gtest/gtest.h>

#include <thread>

#include "state/ProgramState.h"
#include "text/CodePages.h"

using namespace qx;

TEST(ProgramState, PathsFromTheExecutablePath) {
    ProgramState s;
    s.setExecutablePath("/opt/q x/quorvex");
    EXPECT_EQ(s.runDirectory, "/opt/q x");
    EXPECT_EQ(s.exeFileName, "quorvex");
    EXPECT_EQ(s.exePath(), "/opt/q x/quorvex");
    EXPECT_EQ(s.pathIn("\\Temp\\Temp_ViewWizard 2.8.0.exe"), "/opt/q x/Temp/Temp_ViewWizard 2.8.0.exe");
    // A GBK trail byte 0x5C is part of its character, not a separator.
    Text name = "\x95\x5C.exe";
    EXPECT_EQ(s.pathIn(name), "/opt/q x/\x95\x5C.exe");
}

TEST(ProgramState, StartsEmptyAndSharedValuesAreWholeUnderConcurrency) {
    ProgramState s;
    EXPECT_EQ(s.resolver.selectedResolverService.load(), resolvers::Service{});
    EXPECT_TRUE(s.notice.noticeText.get().empty());
    EXPECT_TRUE(s.notice.headerNames.get().empty());
    EXPECT_EQ(s.currentVersion(), "");

    const Text a(1000, 'a'), b(2000, 'b');
    std::atomic<bool> torn{false};
    std::thread w1([&] {
        for (int i = 0; i < 20000; ++i) s.notice.noticeText.set(a);
    });
    std::thread w2([&] {
        for (int i = 0; i < 20000; ++i) s.notice.noticeText.set(b);
    });
    std::thread r([&] {
        for (int i = 0; i < 20000; ++i) {
            Text t = s.notice.noticeText.get();
            if (!(t.empty() || t == a || t == b)) torn = true;
        }
    });
    w1.join();
    w2.join();
    r.join();
    EXPECT_FALSE(torn.load());
}
