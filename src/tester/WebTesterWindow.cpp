#include "tester/WebTesterWindow.h"

#include "tester/HtmlToTextToggle.h"

namespace qx::tester {

void bindWebTesterWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem&) {
    registerHtmlToText(*window, state.tester.responseText);
}

}  // namespace qx::tester
