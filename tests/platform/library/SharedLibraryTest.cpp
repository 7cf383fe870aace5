// Libraries opened on first use: a missing library or function leaves the imports unavailable
// with a reason, never a null function to call; a complete set calls straight into the library.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/library/SharedLibrary.h"

using namespace qx::platform;

namespace {

struct FromLibc : Imports {
    FromLibc() : Imports("libc.so.6") {}
    QX_IMPORT(strlen);
    QX_IMPORT(atoi);
};

struct FromMissingLibrary : Imports {
    FromMissingLibrary() : Imports("libqx-no-such-library.so.9") {}
    QX_IMPORT(strlen);
};

struct WithMissingFunction : Imports {
    WithMissingFunction() : Imports("libc.so.6") {}
    QX_IMPORT(strlen);
    void (*absent)() = take<void (*)()>("qx_no_such_function");
    QX_IMPORT(atoi);
};

}  // namespace

TEST(SharedLibrary, OpensOnFirstUseAndCallsIn) {
    const FromLibc* libc = imported<FromLibc>();
    ASSERT_NE(libc, nullptr);
    EXPECT_EQ(libc->strlen("quorvex"), 7u);
    EXPECT_EQ(libc->atoi("1017"), 1017);
    EXPECT_EQ(imported<FromLibc>(), libc);  // one set per process
}

TEST(SharedLibrary, WhatIsMissingLeavesTheImportsUnavailable) {
    EXPECT_EQ(imported<FromMissingLibrary>(), nullptr);
    FromMissingLibrary missing;
    EXPECT_NE(missing.failure().find("libqx-no-such-library.so.9"), std::string::npos) << missing.failure();

    EXPECT_EQ(imported<WithMissingFunction>(), nullptr);
    WithMissingFunction partial;
    EXPECT_FALSE(partial.complete());
    EXPECT_NE(partial.failure().find("qx_no_such_function"), std::string::npos) << partial.failure();
}
