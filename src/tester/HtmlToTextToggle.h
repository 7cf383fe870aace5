#pragma once
// The "取文本" toggle of WebTesterWindow: converts the page in the response box to plain text and
// puts it back on the second press.
#include "core/Shared.h"
#include "core/Text.h"
#include "ui/Window.h"

namespace qx::tester {

// The page as plain text: the rendered document text, else the page with its tags stripped,
// else its Chinese characters; empty text when none of them holds more than spaces.
Text pageToPlainText(const Text& page);

// savedPageText is the program-wide page text as it was before the last conversion (empty at
// start); the request worker empties it when a new answer arrives.
void htmlToText(ui::Window& window, Shared<Text>& savedPageText);

// Registers htmlToText as the click handler of the toggle button 按钮EX6.
void registerHtmlToText(ui::Window& window, Shared<Text>& savedPageText);

}  // namespace qx::tester
