#pragma once
// The save and open dialogs with the defaults, filter text and current-directory handling the
// windows rely on, and the replace-prompt export flow with which four windows save a copy of
// what they produced.
#include "core/Text.h"
#include "ui/WindowSystem.h"

namespace qx::ui {

struct SaveDialogArgs {
    Text initialDirectory;  // empty: the current directory
    Text title;             // empty: "保存文件"
    Text defaultName;
    Text filter;          // empty: "TXT文档(*.txt)|*.txt|所有文件(*.*)|*.*"
    int filterIndex = 1;  // 0 counts as 1
    bool keepDirectory = false;
};

struct OpenDialogArgs {
    Text initialDirectory;  // empty: the current directory
    Text title;             // empty: "打开文件"
    Text filter;            // empty: "所有文件(*.*)|*.*"
    bool keepDirectory = false;
};

// The chosen path, or empty text on cancel. Unless keepDirectory is set the current directory
// is the same afterwards; with it, the chosen file's folder becomes current.
Text saveFileDialog(WindowSystem& windows, Window* owner, const SaveDialogArgs& args = {});
Text openFileDialog(WindowSystem& windows, Window* owner, const OpenDialogArgs& args = {});

enum class ExportTransfer {
    Copy,   // copy sourcePath over the target
    Move,   // move sourcePath; when the move fails, copy and delete the source
    Write,  // write bytes to the target (created or replaced)
};

struct ExportRequest {
    Text defaultName;
    Text filter;
    bool keepDirectory = false;
    ExportTransfer transfer = ExportTransfer::Copy;
    Text sourcePath;  // Copy, Move
    ByteArray bytes;  // Write
    // A path of only ASCII and full-width spaces counts as cancelled.
    bool blankPathIsCancel = false;
};

// Asks for the target, asks "已存在相似文件，是否替换？" when it exists (only Yes goes on) and
// transfers. The caller has checked its own precondition. Returns whether the transfer ran and
// succeeded; a failed one says so in a message box and leaves the target and the source as they were.
bool exportWithReplacePrompt(WindowSystem& windows, Window& owner, const ExportRequest& request);

// The reason for a system error number in the program's language (GBK).
Text fileErrorReason(int error);
// Tells the user that an operation on a file failed: what (e.g. "保存文件失败"), the file and why.
void showFileFailure(WindowSystem& windows, Window* owner, const Text& what, const Text& path, int error);

}  // namespace qx::ui
