#pragma once
// RegexTesterWindow's "匹配": every non-empty match of the pattern in the text, one per line.
#include "core/Text.h"
#include "ui/WindowSystem.h"

namespace qx::regextester {

// The output text: each non-empty match followed by CR LF. Case is ignored, "^" and "$" match
// at line ends, all matches are taken. A pattern that does not compile or gives up (too much
// backtracking, or too long a search in all) gives "".
Text listMatches(const Text& pattern, const Text& subject);

// Click handler of "匹配" (on the UI thread).
void runRegexTest(ui::Window& window);
// Click handler of the close button.
void closeRegexTesterWindow(const ui::WindowPtr& window, ui::WindowSystem& windows);

}  // namespace qx::regextester
