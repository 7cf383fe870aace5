#include "resolvers/OneDriveBusiness.h"

#include <gtest/gtest.h>

using namespace qx;
using namespace qx::resolvers;

TEST(OneDriveBusiness, RewritesAShareLinkToItsDownloadAddress) {
    EXPECT_EQ(convertOneDriveBusinessLink(
                  "https://contoso-my.sharepoint.com/:u:/g/personal/alice_contoso_com/EabcDEF123?e=Xy12Ab"),
              "https://contoso-my.sharepoint.com/personal/alice_contoso_com/_layouts/52/download.aspx?share=EabcDEF123");
}

TEST(OneDriveBusiness, OddShapes) {
    // Without a query part the last nine characters still lose a stretch.
    EXPECT_EQ(convertOneDriveBusinessLink("https://x-my.sharepoint.com/:u:/g/personal/o/ABCDEFGHIJKLMN"),
              "https://x-my.sharepoint.com/personal/o/_layouts/52/download.aspx?share=ABCDE");
    EXPECT_EQ(convertOneDriveBusinessLink(""), "");
    EXPECT_EQ(convertOneDriveBusinessLink("nothing"), "");
    EXPECT_EQ(convertOneDriveBusinessLink("https://host"), "");  // two pieces: nothing to rebuild
    // Three pieces rebuild from what is there, without reading past the end.
    EXPECT_FALSE(convertOneDriveBusinessLink("https://host/abcdefghijk").empty());
}
