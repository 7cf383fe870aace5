#pragma once
// RegexTesterWindow's "匹配": every non-empty match of the pattern in the text, one per line.
#include "core/Text.h"
#include "ui/WindowSystem.h"

namespace qx::regextester {

// How long one run may search. It runs on the UI thread: a pattern that is slow at every
// position of a long text (each search within its effort bound, but a million of them) gives up
// instead of freezing the window. A million plain matches take a fifth of that.
inline constexpr int kMatchTimeLimitMs = 750;

// The output text: each non-empty match followed by CR LF. Case is ignored, "^" and "$" match
// at line ends, all matches are taken. A pattern that does not compile or gives up (too much
// backtracking, or a search longer than timeLimitMs in all; 0: no such bound) gives "".
Text listMatches(const Text& pattern, const Text& subject, int timeLimitMs = kMatchTimeLimitMs);
// The same matches as a list; false (and no matches) when the pattern does not compile or the
// search gives up.
bool collectMatches(const Text& pattern, const Text& subject, TextArray& matches,
                    int timeLimitMs = kMatchTimeLimitMs);

// What "匹配" writes into the output box: the listed matches; for a pattern that does not
// compile "正则表达式有误：" and the engine's words, for a search that gave up "匹配超时，已停止"
// (so neither looks like "no match", which leaves the box empty).
Text matchOutput(const Text& pattern, const Text& subject, int timeLimitMs = kMatchTimeLimitMs);
Text badPatternText(const Text& why);
Text gaveUpText();

// Click handler of "匹配" (on the UI thread).
void runRegexTest(ui::Window& window);
// Click handler of the close button.
void closeRegexTesterWindow(const ui::WindowPtr& window, ui::WindowSystem& windows);

}  // namespace qx::regextester
