#include "tester/HtmlToTextToggle.h"

#include "net/HtmlText.h"
#include "tester/TesterControls.h"
#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::tester {
namespace {

bool emptyWithoutSpaces(const Text& text) { return text.find_first_not_of(' ') == Text::npos; }

}  // namespace

Text pageToPlainText(const Text& page) {
    Text text = net::htmlDocumentText(page);
    if (emptyWithoutSpaces(text)) text = net::stripHtmlByRegex(page);
    if (emptyWithoutSpaces(text)) text = net::extractChineseCharacters(page);
    if (emptyWithoutSpaces(text)) return {};
    return text;
}

void htmlToText(ui::Window& window, Shared<Text>& savedPageText) {
    ui::Control button = window.control(control::kToText);
    ui::Control box = window.control(control::kAnswer);
    const Text page = box.text();
    if (button.caption() == gbk(u8"取文本") && page != net::emptyPageNotice()) {
        savedPageText.set(page);
        Text text = pageToPlainText(page);
        if (text.empty()) text = gbk(u8"取文本失败，请检查后再试");
        box.setText(text);
        button.setCaption(gbk(u8"撤回"));
    } else {
        box.setText(savedPageText.get());
        button.setCaption(gbk(u8"取文本"));
    }
}

void registerHtmlToText(ui::Window& window, Shared<Text>& savedPageText) {
    // The handler lives inside the window, so the window outlives every call of it.
    ui::Window* self = &window;
    Shared<Text>* saved = &savedPageText;
    window.onClick(control::kToText, [self, saved] { htmlToText(*self, *saved); });
}

}  // namespace qx::tester
