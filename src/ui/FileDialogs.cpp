#include "ui/FileDialogs.h"

#include "platform/system/Files.h"
#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::ui {

namespace {

Text folderOf(const Text& path) {
    std::size_t cut = path.find_last_of(platform::pathSeparator());
    return cut == Text::npos ? Text() : path.substr(0, cut == 0 ? 1 : cut);
}

Text runDialog(WindowSystem& windows, Window* owner, FileDialogRequest request, bool keepDirectory) {
    // Already the program's GBK text: converting it again would spoil a folder name that is not ASCII.
    const Text before = platform::currentDirectory();
    if (request.initialDirectory.empty()) request.initialDirectory = before;
    if (request.filterIndex < 1) request.filterIndex = 1;
    Text chosen = windows.fileDialog(owner, request);
    if (keepDirectory) {
        if (!chosen.empty()) platform::setCurrentDirectory(folderOf(chosen));
    } else {
        platform::setCurrentDirectory(before);
    }
    return chosen;
}

}  // namespace

Text saveFileDialog(WindowSystem& windows, Window* owner, const SaveDialogArgs& args) {
    FileDialogRequest r;
    r.save = true;
    r.initialDirectory = args.initialDirectory;
    r.title = args.title.empty() ? gbk(u8"保存文件") : args.title;
    r.defaultName = args.defaultName;
    r.filter = args.filter.empty() ? gbk(u8"TXT文档(*.txt)|*.txt|所有文件(*.*)|*.*") : args.filter;
    r.filterIndex = args.filterIndex;
    return runDialog(windows, owner, r, args.keepDirectory);
}

Text openFileDialog(WindowSystem& windows, Window* owner, const OpenDialogArgs& args) {
    FileDialogRequest r;
    r.save = false;
    r.initialDirectory = args.initialDirectory;
    r.title = args.title.empty() ? gbk(u8"打开文件") : args.title;
    r.filter = args.filter.empty() ? gbk(u8"所有文件(*.*)|*.*") : args.filter;
    r.filterIndex = 1;
    return runDialog(windows, owner, r, args.keepDirectory);
}

bool exportWithReplacePrompt(WindowSystem& windows, Window& owner, const ExportRequest& request) {
    SaveDialogArgs args;
    args.defaultName = request.defaultName;
    args.filter = request.filter;
    args.keepDirectory = request.keepDirectory;
    Text target = saveFileDialog(windows, &owner, args);
    if (target.empty() || (request.blankPathIsCancel && isBlank(target))) return false;
    if (platform::fileExists(target) &&
        windows.messageBox(&owner, gbk(u8"已存在相似文件，是否替换？"), Text(), MessageStyle::YesNoQuestion) !=
            MessageAnswer::Yes)
        return false;
    switch (request.transfer) {
        case ExportTransfer::Copy: return platform::copyFile(request.sourcePath, target, true);
        case ExportTransfer::Move:
            if (platform::moveFile(request.sourcePath, target)) return true;
            if (!platform::copyFile(request.sourcePath, target, true)) return false;
            platform::deleteFile(request.sourcePath);
            return true;
        case ExportTransfer::Write:
            return platform::writeFile(target, std::string_view(reinterpret_cast<const char*>(request.bytes.data()),
                                                                 request.bytes.size()));
    }
    return false;
}

}  // namespace qx::ui
