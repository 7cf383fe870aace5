#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/script/RegExp.h"
#include "platform/script/JsPattern.h"

using qx::platform::RegExp;
using qx::platform::RegExpMatch;

namespace {

struct Options {
    bool ignoreCase = false;
    bool multiline = false;
    bool global = true;
};

std::vector<RegExpMatch> run(std::u16string_view pattern, std::u16string_view subject, Options o = {},
                             bool* ok = nullptr) {
    RegExp re;
    re.setPattern(pattern);
    re.setIgnoreCase(o.ignoreCase);
    re.setMultiline(o.multiline);
    re.setGlobal(o.global);
    std::vector<RegExpMatch> out;
    bool done = re.execute(subject, out);
    if (ok) *ok = done;
    return out;
}

std::vector<std::u16string> values(std::u16string_view pattern, std::u16string_view subject, Options o = {}) {
    std::vector<std::u16string> v;
    for (auto& m : run(pattern, subject, o)) v.push_back(m.value);
    return v;
}

bool matches(std::u16string_view pattern, std::u16string_view subject, Options o = {}) {
    return !run(pattern, subject, o).empty();
}

bool compiles(std::u16string_view pattern) {
    RegExp re;
    re.setPattern(pattern);
    return re.valid();
}

std::u16string replaced(std::u16string_view pattern, std::u16string_view subject, std::u16string_view repl,
                        bool global = true) {
    RegExp re;
    re.setPattern(pattern);
    re.setGlobal(global);
    std::u16string out;
    EXPECT_TRUE(re.replace(subject, repl, out));
    return out;
}

using V = std::vector<std::u16string>;

}  // namespace

TEST(RegExpSemantics, DotNeverMatchesALineTerminator) {
    EXPECT_EQ(values(u".", u"a\nb\rc\u2028d\u2029e"), (V{u"a", u"b", u"c", u"d", u"e"}));
    // Other control and separator characters are ordinary characters for the dot.
    EXPECT_EQ(values(u"a.b", u"a\u0085b a\vb a\fb"), (V{u"a\u0085b", u"a\vb", u"a\fb"}));
    EXPECT_EQ(values(u"[^]", u"\n"), (V{u"\n"}));
}

TEST(RegExpSemantics, AnchorsWithAndWithoutMultiline) {
    Options ml;
    ml.multiline = true;
    EXPECT_EQ(values(u"^\\w", u"a\nb\rc\u2028d\u2029e\u0085f\vg", ml), (V{u"a", u"b", u"c", u"d", u"e"}));
    EXPECT_EQ(values(u"\\w$", u"a\nb\rc\u2028d", ml), (V{u"a", u"b", u"c", u"d"}));
    // Between CR and LF there is a line start, as the script engine sees it.
    EXPECT_EQ(run(u"^", u"a\r\nb", ml).size(), 3u);
    // Without Multiline, $ is the very end only (not before a final newline) and ^ the very start.
    EXPECT_FALSE(matches(u"a$", u"a\n"));
    EXPECT_TRUE(matches(u"a$", u"ba"));
    EXPECT_FALSE(matches(u"^b", u"a\nb"));
    EXPECT_EQ(values(u"^a", u"aaa"), (V{u"a"}));
}

TEST(RegExpSemantics, ClassEscapesAreTheScriptOnes) {
    EXPECT_EQ(values(u"\\d+", u"12\u0663\uFF11"), (V{u"12"}));  // ASCII digits only
    EXPECT_EQ(values(u"\\w+", u"caf\u00e9 x_1"), (V{u"caf", u"x_1"}));
    EXPECT_EQ(run(u"\\b", u"\u00e9a\u00e9").size(), 2u);  // word boundaries around the ASCII letter only
    for (char16_t space : {u' ', u'\t', u'\v', u'\f', u'\u00a0', u'\u1680', u'\u2000', u'\u200a', u'\u2028',
                           u'\u202f', u'\u205f', u'\u3000', u'\ufeff'})
        EXPECT_TRUE(matches(u"^\\s$", std::u16string(1, space))) << int(space);
    for (char16_t other : {u'\u0085', u'\u200b', u'a'})
        EXPECT_FALSE(matches(u"\\s", std::u16string(1, other)));
    EXPECT_EQ(values(u"[\\S]+", u"ab cd"), (V{u"ab", u"cd"}));
    EXPECT_EQ(values(u"[\\d-z]+", u"1-z"), (V{u"1-z"}));  // a hyphen after a class escape is a character
}

TEST(RegExpSemantics, IgnoreCase) {
    Options ic;
    ic.ignoreCase = true;
    EXPECT_TRUE(matches(u"ab", u"xAB", ic));
    EXPECT_TRUE(matches(u"\uff41", u"\uff21", ic));  // full-width letters fold as well
    EXPECT_TRUE(matches(u"[a-z]+", u"QRS", ic));
    // Unicode folding joins k with the Kelvin sign and s with the long s; the non-word class holds
    // those two signs, yet must not reach the ASCII letters through them.
    EXPECT_FALSE(matches(u"\\W", u"k", ic));
    EXPECT_FALSE(matches(u"[\\W]", u"s", ic));
    EXPECT_FALSE(matches(u"[\\W\\d]", u"K", ic));
    EXPECT_TRUE(matches(u"[^\\W]", u"k", ic));
    EXPECT_TRUE(matches(u"[^\\S]", u" ", ic));
    EXPECT_FALSE(matches(u"[^a]", u"A", ic));
}

TEST(RegExpSemantics, GroupsAndBackReferences) {
    auto m = run(u"(a)|(b)", u"b");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].subMatches, (V{u"", u"b"}));
    EXPECT_EQ(m[0].subMatchIndexes, (std::vector<int>{-1, 0}));
    // A reference to a group that did not take part matches the empty text.
    EXPECT_EQ(values(u"(a)?\\1b", u"b"), (V{u"b"}));
    EXPECT_EQ(values(u"(\\w)\\1", u"xaabb"), (V{u"aa", u"bb"}));
    // With fewer groups, \N is an octal escape (or the digit itself for 8 and 9).
    EXPECT_EQ(values(u"\\101\\8", u"A8"), (V{u"A8"}));
}

TEST(RegExpSemantics, EscapesAsTheScriptReadsThem) {
    EXPECT_EQ(values(u"\\x41\\u0042\\cJ\\t", u"AB\n\t"), (V{u"AB\n\t"}));
    EXPECT_EQ(values(u"\\xZ\\uZ", u"xZuZ"), (V{u"xZuZ"}));  // incomplete hex escapes are the letters
    EXPECT_EQ(values(u"\\0", std::u16string(u"a\0b", 3)), (V{std::u16string(1, u'\0')}));
    EXPECT_EQ(values(u"\\a\\e\\Qx", u"aeQx"), (V{u"aeQx"}));  // identity escapes, not PCRE escapes
    EXPECT_EQ(values(u"\\v", u"\v"), (V{u"\v"}));
    EXPECT_EQ(values(u"\\c1", u"\\c1"), (V{u"\\c1"}));
}

TEST(RegExpSemantics, ScriptSyntaxThatPcreWouldReadOtherwise) {
    EXPECT_TRUE(run(u"[]", u"abc").empty());  // the empty class matches nothing
    EXPECT_EQ(values(u"a{,5}", u"a{,5}"), (V{u"a{,5}"}));
    EXPECT_EQ(values(u"x{", u"x{"), (V{u"x{"}));
    EXPECT_EQ(values(u"]", u"]"), (V{u"]"}));
    EXPECT_EQ(values(u"[[:alpha:]]+", u"a]"), (V{u"a]"}));  // no POSIX classes in the script
    EXPECT_TRUE(run(u"[[:alpha:]]+", u"a").empty());
    EXPECT_EQ(values(u"a{2}", u"aaa"), (V{u"aa"}));
    EXPECT_EQ(values(u"a{1,2}?", u"aa"), (V{u"a", u"a"}));
}

TEST(RegExpSemantics, PatternsThatAreNotScriptSyntaxDoNotCompile) {
    for (std::u16string_view bad :
         {u"(?i)a", u"(?<n>a)", u"(?<=a)b", u"(?>a)", u"a**", u"*a", u"a{2}{3}", u"(a", u"a)", u"[z-a]",
          u"\\", u"(*ACCEPT)", u"a++", u"a{3,1}", u"[a", u"^*", u"\\b+", u"(?#c)"})
        EXPECT_FALSE(compiles(bad)) << std::string(bad.begin(), bad.end());
    for (std::u16string_view good : {u"(?:a)", u"(?=a)", u"(?!a)", u"a|", u"()", u"a*?", u"(?=a)*"})
        EXPECT_TRUE(compiles(good)) << std::string(good.begin(), good.end());
    RegExp re;
    EXPECT_FALSE(re.setSingleline(true));
}

TEST(RegExpSemantics, GlobalCollectsEveryMatchAndStepsOverEmptyOnes) {
    auto m = run(u"a*", u"baa");
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].value, u"");
    EXPECT_EQ(m[1].value, u"aa");
    EXPECT_EQ(m[1].firstIndex, 1);
    EXPECT_EQ(m[1].length, 2);
    EXPECT_EQ(m[2].firstIndex, 3);
    Options first;
    first.global = false;
    EXPECT_EQ(values(u"a", u"aaa", first), (V{u"a"}));
    // Indexes count UTF-16 units: a character outside the BMP is two.
    auto s = run(u"a", u"\U0001F600a");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].firstIndex, 2);
    EXPECT_EQ(run(u".", u"\U0001F600").size(), 2u);
    EXPECT_EQ(run(u".", u"\xD800x").size(), 2u);  // a lone surrogate is just a unit
}

TEST(RegExpReplace, Substitutions) {
    EXPECT_EQ(replaced(u"(\\w)(\\d)", u"a1 b2", u"$2$1"), u"1a 2b");
    EXPECT_EQ(replaced(u"b", u"abc", u"[$&|$`|$'|$$]"), u"a[b|a|c|$]c");
    EXPECT_EQ(replaced(u"(b)", u"abc", u"$10"), u"ab0c");  // $1 then a literal 0
    EXPECT_EQ(replaced(u"(b)", u"abc", u"$0$2$"), u"a$0$2$c");
    EXPECT_EQ(replaced(u"(x)?b", u"abc", u"[$1]"), u"a[]c");
    EXPECT_EQ(replaced(u"a", u"aaa", u"b", false), u"baa");
    EXPECT_EQ(replaced(u"<[^>]+>", u"<p>x</p>", u""), u"x");
    EXPECT_EQ(replaced(u"x*", u"ab", u"-"), u"-a-b-");
    std::u16string twelve = u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)";
    EXPECT_EQ(replaced(twelve, u"abcdefghijkl", u"$12$11$1"), u"lka");
}

TEST(RegExpLimits, CatastrophicPatternsGiveUp) {
    std::u16string subject(10000, u'a');
    subject += u'!';
    for (std::u16string_view evil : {u"(a+)+$", u"(a|aa)+$", u"(\\w+\\s?)+$", u"(?:a|a)+$"}) {
        bool ok = true;
        auto m = run(evil, subject, {}, &ok);
        EXPECT_FALSE(ok) << std::string(evil.begin(), evil.end());
        EXPECT_TRUE(m.empty());
        RegExp re;
        re.setPattern(evil);
        std::u16string out = u"x";
        EXPECT_FALSE(re.replace(subject, u"", out));
        EXPECT_TRUE(out.empty());
        EXPECT_FALSE(re.errorText().empty());
    }
}

TEST(RegExpLimits, LongLazyScansStillWork) {
    std::u16string page = u"<script>" + std::u16string(2'000'000, u'x') + u"</script>tail";
    RegExp re;
    re.setPattern(u"<script[\\s\\S]*?</script>|<[^>]+>");
    re.setGlobal(true);
    re.setIgnoreCase(true);
    std::u16string out;
    ASSERT_TRUE(re.replace(page, u"", out));
    EXPECT_EQ(out, u"tail");
}

TEST(RegExpLimits, ATimeLimitEndsASearchSlowAtEveryPosition) {
    // Every search scans to the end before it matches one "a": each is cheap, all are not.
    std::u16string subject(1 << 20, u'a');
    RegExp re;
    re.setPattern(u"\\w*x|a");
    re.setGlobal(true);
    re.setTimeLimit(std::chrono::milliseconds(100));
    std::vector<RegExpMatch> out;
    EXPECT_FALSE(re.execute(subject, out));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(re.errorText(), u"time limit exceeded");
    std::u16string replaced = u"x";
    EXPECT_FALSE(re.replace(subject, u"b", replaced));
    EXPECT_TRUE(replaced.empty());
    // A short subject is well within it.
    ASSERT_TRUE(re.execute(u"aa", out));
    EXPECT_EQ(out.size(), 2u);
    EXPECT_TRUE(re.errorText().empty());
}

TEST(JsPattern, TranslationCountsGroups) {
    std::u16string pcre;
    int groups = -1;
    ASSERT_TRUE(qx::platform::translateJsPattern(u"(a)(?:b)(c(d))[(]\\(", false, false, pcre, groups));
    EXPECT_EQ(groups, 3);
    EXPECT_FALSE(qx::platform::translateJsPattern(u"[", false, false, pcre, groups));
}
