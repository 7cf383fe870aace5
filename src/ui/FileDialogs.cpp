#include "ui/FileDialogs.h"

#include <cerrno>

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
    platform::FileOutcome outcome;
    switch (request.transfer) {
        case ExportTransfer::Copy:
            outcome = platform::saveCopy(request.sourcePath, target);
            break;
        case ExportTransfer::Move:
            outcome = platform::saveMove(request.sourcePath, target);
            break;
        case ExportTransfer::Write:
            outcome = platform::saveFile(
                target,
                std::string_view(reinterpret_cast<const char*>(request.bytes.data()), request.bytes.size()));
            break;
    }
    if (outcome) return true;
    showFileFailure(windows, &owner, gbk(u8"保存文件失败"), outcome.path, outcome.error);
    return false;
}

Text fileErrorReason(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return gbk(u8"没有权限（拒绝访问）");
        case ENOENT:
            return gbk(u8"文件或文件夹不存在");
        case ENOTDIR:
            return gbk(u8"路径中有一段不是文件夹");
        case EISDIR:
            return gbk(u8"这是一个文件夹");
        case ENOSPC:
            return gbk(u8"磁盘空间不足");
        case EDQUOT:
            return gbk(u8"超出磁盘配额");
        case EROFS:
            return gbk(u8"磁盘或文件系统只读");
        case ENAMETOOLONG:
            return gbk(u8"文件名太长");
        case EFBIG:
            return gbk(u8"文件太大");
        case EBUSY:
        case ETXTBSY:
            return gbk(u8"文件正在使用中");
        case EIO:
            return gbk(u8"读写出错（输入/输出错误）");
        case ELOOP:
            return gbk(u8"符号链接太多层");
        case EMFILE:
        case ENFILE:
            return gbk(u8"打开的文件太多");
        default:
            return gbk(u8"系统错误 ") + fromInt(error) + " (" + platform::systemErrorText(error) + ")";
    }
}

void showFileFailure(WindowSystem& windows, Window* owner, const Text& what, const Text& path, int error) {
    windows.messageBox(owner, what + gbk(u8"：") + path + "\r\n" + gbk(u8"原因：") + fileErrorReason(error),
                       Text(), MessageStyle::Ok);
}

}  // namespace qx::ui
