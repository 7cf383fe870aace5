#include "utilities/speech/SpeechWindow.h"

#include <memory>
#include <stop_token>

#include "ui/LayoutRows.h"
#include "utilities/speech/SpeechFetch.h"
#include "utilities/speech/SpeechPlayback.h"

namespace qx::speech {

const ui::WindowLayout& speechLayout() {
    using namespace ui::rows;
    static const ui::WindowLayout layout = window("SpeechWindow", "", 324, 294, "文本转语言UI",
                                                  {
                                                      label("标签EX2", "文本内容：", 14, 32, 68, 18),
                                                      button("按钮EX3", "导入", 88, 32, 64, 18),
                                                      edit("编辑框EX_文本", 14, 56, 296, 104),
                                                      radio("单选框EX1", "默认接口", 14, 168, 82, 26),
                                                      button("按钮EX2", "转换", 14, 208, 231, 32),
                                                      button("按钮EX4", ">", 256, 208, 56, 32).named("播放"),
                                                      button("按钮EX5", "另存", 14, 250, 298, 26),
                                                      closeButton(296, 8),
                                                  });
    return layout;
}

std::shared_ptr<Session> bindSpeechSession(const ui::WindowPtr& window, ProgramState& state,
                                           ui::WindowSystem& windows) {
    auto session = std::make_shared<Session>();
    // Handlers live inside the window: they hold it weakly. The closing source outlives the
    // window in the tokens of fetches still running.
    std::weak_ptr<ui::Window> weak = window;
    auto closing = std::make_shared<std::stop_source>();
    window->onClick(control::kConvert, [weak, &state, session, &windows, closing] {
        if (auto w = weak.lock()) convertToSpeech(w, state, session, windows, closing->get_token());
    });
    window->onClick(control::kImport, [weak, &windows] {
        if (auto w = weak.lock()) importSpeechText(*w, windows);
    });
    window->onClick(control::kPlay, [weak, &state, session, &windows] {
        if (auto w = weak.lock()) playSpeech(w, state, session, windows);
    });
    window->onClick(control::kSaveAs, [weak, &state, &windows] {
        if (auto w = weak.lock()) saveSpeechAs(*w, state, windows);
    });
    window->onClick(control::kClose, [weak, &windows, closing] {
        if (auto w = weak.lock()) closeSpeechWindow(w, windows, *closing);
    });
    return session;
}

void bindSpeechWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows) {
    bindSpeechSession(window, state, windows);
}

namespace {
using K = ui::ControlKind;
constexpr ui::ControlRef kControls[] = {
    {control::kText, K::EditBox}, {control::kImport, K::Button}, {control::kConvert, K::Button},
    {control::kPlay, K::Button},  {control::kSaveAs, K::Button}, {control::kClose, K::CloseButton},
};
}  // namespace

const ui::WindowDescriptor kSpeechWindow{"SpeechWindow", speechLayout, bindSpeechWindow, kControls};

}  // namespace qx::speech
