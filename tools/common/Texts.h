#pragma once
// Words every tool uses, written once.
#include <QString>

namespace qx::tools {

inline const QString kToolboxName = QStringLiteral("Quorvex工具箱");
inline const QString kRefresh = QStringLiteral("刷新");
inline const QString kCopy = QStringLiteral("复制");
inline const QString kCopied = QStringLiteral("已复制到剪贴板。");
inline const QString kMinimise = QStringLiteral("最小化");
inline const QString kClose = QStringLiteral("关闭");

// "<tool> · Quorvex工具箱 随附小工具" plus an optional note, for the window's about line.
inline QString aboutLine(const QString& tool, const QString& note = {}) {
    QString line = tool + QStringLiteral(" · ") + kToolboxName + QStringLiteral(" 随附小工具");
    if (!note.isEmpty()) line += QStringLiteral(" · ") + note;
    return line;
}

}  // namespace qx::tools
