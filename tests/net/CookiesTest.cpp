#include <gtest/gtest.h>

#include "net/Cookies.h"

using namespace qx;
using namespace qx::net;

namespace {
Text merged(Text oldCookies, Text newCookies) { return mergeCookies(oldCookies, newCookies); }
}  // namespace

TEST(Cookies, MergeKeepsNewFirstThenSurvivingOld) {
    EXPECT_EQ(merged("a=1; b=2", "b=3"), "b=3; a=1");
    EXPECT_EQ(merged("a=1", "a=deleted"), "");
    EXPECT_EQ(merged("a=1; a=1", ""), "a=1");
    EXPECT_EQ(merged("SID=1", "sid=2"), "sid=2; SID=1");
    EXPECT_EQ(merged("", ""), "");
    EXPECT_EQ(merged("a=1; b=2; c=3", "c=deleted; d=4"), "d=4; a=1; b=2");
    EXPECT_EQ(merged("  a=1;  ", " b=2 "), "b=2; a=1");
    EXPECT_EQ(merged("a=1; ", "b=2;"), "b=2; a=1");  // no empty pair from the trailing "; "
    EXPECT_EQ(merged("flag; a=1", "flag"), "flag; a=1");
    EXPECT_EQ(merged("a=1", "b=2; b=2"), "b=2; a=1");
}

TEST(Cookies, MergeWritesBothArguments) {
    Text oldCookies = " a=1; b=2 ";
    Text newCookies = " b=3;";
    Text result = mergeCookies(oldCookies, newCookies);
    EXPECT_EQ(result, "b=3; a=1");
    EXPECT_EQ(oldCookies, result);
    EXPECT_EQ(newCookies, "b=3; ");
}

TEST(Cookies, ListOperations) {
    EXPECT_EQ(cookieName(" a = 1 "), "a");
    EXPECT_EQ(cookieName(" flag "), "flag");
    EXPECT_EQ(cookieName("a=b=c"), "a");
    EXPECT_TRUE(hasCookieName({"x=1", "Y=2"}, "Y"));
    EXPECT_FALSE(hasCookieName({"x=1", "Y=2"}, "y"));
    EXPECT_FALSE(hasCookieName({}, "y"));
    EXPECT_EQ(removeDuplicateItems("a; b; a; c; b", "; "), "a; b; c");
    EXPECT_EQ(removeDuplicateItems("A,a,A", ","), "A,a");
    EXPECT_EQ(removeDuplicateItems("", "; "), "");
    EXPECT_EQ(indexOfText({"a", "b", "b"}, "b"), 2);
    EXPECT_EQ(indexOfText({"a"}, "A"), -1);
    EXPECT_EQ(indexOfText({}, ""), -1);
}
