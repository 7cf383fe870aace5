#pragma once
// The "取文本" toggle of WebTesterWindow: converts the page in the response box to plain text and
// puts it back on the second press.
#include "app/Shared.h"
#include "app/text/Text.h"
#include "ui/Window.h"

namespace qx {

// savedPageText is the program-wide page text as it was before the last conversion (empty at
// start); the request worker empties it when a new answer arrives.
void htmlToText(ui::Window& window, Shared<Text>& savedPageText);

// Registers htmlToText as the click handler of the toggle button 按钮EX6.
void registerHtmlToText(ui::Window& window, Shared<Text>& savedPageText);

}  // namespace qx
