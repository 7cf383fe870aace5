// The pieces of the resolvers that the wire cases do not show on their own: the table and its
// dispatch, the default stem, the text helpers and the random fraction.
#include <gtest/gtest.h>

#include <set>

#include "resolvers/Ctfile.h"
#include "resolvers/Lanzou.h"
#include "resolvers/OneDriveBusiness.h"
#include "resolvers/ResolverSupport.h"
#include "resolvers/ResolverTable.h"
#include "resolvers/Wenshushu.h"
#include "resolvers/Yunpan360.h"
#include "support/doubles/WireCase.h"
#include "text/CodePages.h"

namespace qx::resolvers {
namespace {

TEST(ResolverTable, OneEntryPerServiceInButtonOrder) {
    struct Row {
        int service;
        const char* key;
        bool takesPassword;
    };
    const Row expected[] = {{1, "lanzou", true}, {2, "onedrive", false},  {3, "bilnn", false},
                            {4, "ctfile", true}, {5, "yunpan360", false}, {6, "wenshushu", true}};
    ASSERT_EQ(resolverTable().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const Row& row = expected[i];
        const ResolverDescriptor* d = findResolver(row.service);
        ASSERT_NE(d, nullptr) << row.service;
        EXPECT_EQ(d, resolverTable()[i]) << row.key;
        EXPECT_EQ(d->key, row.key);
        EXPECT_EQ(d->takesPassword, row.takesPassword) << row.key;
    }
    for (int outside : {0, 7, -1, 1000}) {
        EXPECT_EQ(findResolver(outside), nullptr);
        EXPECT_FALSE(resolveShareLink(outside, "https://x/s/a", "pw").has_value()) << outside;
    }
}

// Every descriptor has all its facts, and no key, command-line name or host belongs to two.
TEST(ResolverTable, EveryDescriptorIsCompleteAndItsNamesAreItsOwn) {
    std::set<std::string_view> names, hosts;
    std::set<int> services;
    for (const ResolverDescriptor* d : resolverTable()) {
        SCOPED_TRACE(d->key);
        EXPECT_TRUE(services.insert(static_cast<int>(d->service)).second);
        EXPECT_FALSE(d->key.empty());
        EXPECT_TRUE(names.insert(d->key).second);
        if (d->commandName != d->key) {
            EXPECT_TRUE(names.insert(d->commandName).second);
        }
        ASSERT_NE(d->title, nullptr);
        EXPECT_FALSE(gbk(d->title).empty());
        EXPECT_FALSE(d->picture.empty());
        EXPECT_NE(d->resolve, nullptr);
        EXPECT_FALSE(d->hosts.empty());
        for (std::string_view host : d->hosts) {
            EXPECT_TRUE(hosts.insert(host).second) << host;
            // A link on that host (or a subdomain) picks this service.
            std::string sample(host);
            if (sample.front() == '*') sample = "www." + sample.substr(1, sample.size() - 2) + "x.com";
            EXPECT_EQ(resolverForHost("share." + sample), d) << sample;
        }
    }
    EXPECT_EQ(resolverForHost("notbilnn.com"), nullptr);  // a domain only by its own name
    EXPECT_EQ(resolverForHost("bilnn.com.evil.example"), nullptr);
}

TEST(ResolverTable, OneDriveIsARewriteWithoutRequest) {
    // The rewrite needs no request (the suite runs offline: any would fail).
    const Text link = "https://qrvx-my.sharepoint.com/:u:/g/personal/owner_qrvx_com/EQrvxTokenAbC?e=AbC123";
    std::optional<ResolveResult> result = resolveShareLink(2, link, "ignored");
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->outcome, ResolveOutcome::Address);
    EXPECT_EQ(result->text, convertOneDriveBusinessLink(link));
    EXPECT_EQ(result->text,
              "https://qrvx-my.sharepoint.com/personal/owner_qrvx_com/_layouts/52/"
              "download.aspx?share=EQrvxTokenAbC");
}

TEST(Lanzou, EmptyStemBecomesTheDefaultInTheCallersVariable) {
    Text stem;
    // An empty link fails before any request is made.
    EXPECT_EQ(resolveLanzouLink("", "", stem), "");
    EXPECT_EQ(stem, kLanzouDefaultStem);
    Text protectedStem;
    EXPECT_EQ(resolveLanzouLink("", "pw", protectedStem), "");
    EXPECT_EQ(protectedStem, kLanzouDefaultStem);
    EXPECT_EQ(readRedirectLocation("not an address"), "");
}

TEST(Yunpan360, TextAfterLast) {
    EXPECT_EQ(textAfterLast("https://h/s/abc/s/key", "/s/"), "key");
    EXPECT_EQ(textAfterLast("https://h/share/key", "/s/"), "");
    EXPECT_EQ(textAfterLast("https://h/s/", "/s/"), "");
    EXPECT_EQ(textAfterLast("/S/up", "/s/"), "");
    EXPECT_EQ(textAfterLast("/S/up", "/s/", true), "up");
    EXPECT_EQ(textAfterLast("abc", ""), "");
    EXPECT_EQ(textAfterLast("", "/s/"), "");
    // GBK text around the marker stays whole.
    EXPECT_EQ(textAfterLast(gbk(u8"网盘/lk/文件"), "/lk/"), gbk(u8"文件"));
}

TEST(ResolverSupport, LinkPieces) {
    EXPECT_EQ(splitLinkPieces(""), TextArray{});
    EXPECT_EQ(splitLinkPieces("a"), TextArray{"a"});
    EXPECT_EQ(splitLinkPieces("a/b/"), (TextArray{"a", "b"}));
    EXPECT_EQ(splitLinkPieces("a//b"), (TextArray{"a", "", "b"}));
    EXPECT_EQ(splitLinkPieces("a//"), (TextArray{"a", ""}));
    EXPECT_EQ(splitLinkPieces("/"), TextArray{""});
    TextArray pieces = splitLinkPieces("https://h/f/code");
    EXPECT_EQ(pieceFromEnd(pieces, 1), "code");
    EXPECT_EQ(pieceFromEnd(pieces, 2), "f");
    EXPECT_EQ(pieceFromEnd(pieces, 6), "");
    EXPECT_EQ(pieceFromEnd(pieces, 0), "");
    EXPECT_EQ(resolverRequest({}).limits.maxBodyBytes, 8u * 1024 * 1024);
}

TEST(Ctfile, RandomFractionsAreSeventeenCharactersStartingWithZero) {
    std::set<Text> seen;
    for (int i = 0; i < 50; ++i) {
        Text value = randomFractionText();
        ASSERT_EQ(value.size(), 17u) << value;
        EXPECT_EQ(value[0], '0') << value;
        EXPECT_EQ(value.find_first_not_of("0123456789.e+-"), Text::npos) << value;
        seen.insert(value);
    }
    EXPECT_GT(seen.size(), 45u);  // really drawn, not a fixed text
}

TEST(Ctfile, RandomFractionGivesUpWhenStopped) {
    std::stop_source source;
    source.request_stop();
    EXPECT_EQ(randomFractionText(source.get_token()), "");
}

// An exchange in the context takes every request in place of the network. Fed the answers of a
// success case, each resolver asks for the same addresses in the same order and comes to the
// case's result, so what the fuzzers feed through it is handled as a real answer would be.
TEST(ResolveContext, AnExchangeTakesTheRequestsInsteadOfTheNetwork) {
    const std::pair<int, const char*> cases[] = {
        {1, "lanzou/open-success.case"}, {1, "lanzou/protected-success.case"}, {3, "bilnn/success.case"},
        {4, "ctfile/success.case"},      {5, "yunpan360/success.case"},        {6, "wenshushu/success.case"}};
    for (const auto& [service, file] : cases) {
        SCOPED_TRACE(file);
        test::WireCase wire;
        std::string error;
        ASSERT_TRUE(test::loadWireCase(std::string(QX_RESOLVER_DATA_DIR) + "/" + file, wire, error)) << error;
        std::size_t next = 0;
        ResolveContext context;
        context.exchange = [&](const Text& method, const Text& url) {
            ServiceAnswer answer;
            if (next >= wire.exchanges.size()) {
                ADD_FAILURE() << "request " << next + 1 << " was not expected: " << method << " " << url;
                return answer;
            }
            const test::WireExchange& e = wire.exchanges[next++];
            // The request line and host the case expects, rebuilt from the address.
            const std::size_t hostAt = url.find("://") + 3;
            const std::size_t pathAt = url.find('/', hostAt);
            const std::string received = method + " " + url.substr(pathAt) +
                                         " HTTP/1.1\r\nHost: " + url.substr(hostAt, pathAt - hostAt);
            const std::string expected =
                e.request.substr(0, e.request.find("\r\n", e.request.find("\r\n") + 2));
            EXPECT_TRUE(test::wireMatches(expected, received)) << test::wireDifference(expected, received);
            EXPECT_EQ(url.rfind(e.https ? "https://" : "http://", 0), 0u) << url;
            // The answer: its header lines without the status line, and its body.
            const std::size_t headEnd = e.reply.find("\r\n\r\n");
            const std::size_t firstLineEnd = e.reply.find("\r\n");
            answer.headers = e.reply.substr(firstLineEnd + 2, headEnd + 2 - (firstLineEnd + 2));
            answer.body = toBytes(e.reply.substr(headEnd + 4));
            return answer;
        };
        std::optional<ResolveResult> result =
            resolveShareLink(service, gbk(wire.link), gbk(wire.password), context);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(gbkToUtf8(result->text), wire.result);
        EXPECT_EQ(next, wire.exchanges.size());
    }
}

// Typed values and servers' values as each place of a request needs them.
TEST(ResolverSupport, ValuesForTheirPlaces) {
    struct Row {
        std::string value;  // UTF-8
        const char* form;
        const char* json;
        bool fitsHeader;
    };
    const Row rows[] = {
        {"qrvx-6688_a.b~", "qrvx-6688_a.b~", "qrvx-6688_a.b~", true},
        {"a&b c", "a%26b%20c", "a&b c", true},
        {"#+%=?/", "%23%2B%25%3D%3F%2F", "#+%=?/", true},
        {"8\"9\\9", "8%229%5C9", "8\\\"9\\\\9", true},
        {"中文", "%E4%B8%AD%E6%96%87", "中文", true},
        // "乗" is 81 5C in GBK: its second byte is a backslash's, and stays as it is.
        {"乗", "%E4%B9%97", "乗", true},
        {"a\r\nX: 1", "a%0D%0AX%3A%201", "a\\u000d\\u000aX: 1", false},
        {"a\nb", "a%0Ab", "a\\u000ab", false},
    };
    for (const Row& row : rows) {
        const Text value = gbk(row.value);
        EXPECT_EQ(formValue(value), row.form) << row.value;
        EXPECT_EQ(gbkToUtf8(jsonStringValue(value)), row.json) << row.value;
        EXPECT_EQ(fitsHeaderLine(value), row.fitsHeader) << row.value;
    }
}

TEST(Wenshushu, FailureText) { EXPECT_EQ(wenshushuFailureText(), gbk(u8"分享连接已失效,文件已过期！")); }

}  // namespace
}  // namespace qx::resolvers
