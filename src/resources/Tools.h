#pragma once
// The helper programs built in tools/, linked in as the bytes of their stripped executables.
#include <span>

namespace qx::res {

std::span<const unsigned char> toolIconExtract();  // 图标提取
std::span<const unsigned char> toolAutostart();    // 启动项添加
std::span<const unsigned char> toolProcessKill();  // 进程终止
std::span<const unsigned char> toolIpSwitch();     // IP设置
std::span<const unsigned char> toolWindowInfo();   // 窗口信息获取
std::span<const unsigned char> toolUnlock();       // 文件占用解锁
std::span<const unsigned char> toolShortLink();    // 短链接生成
std::span<const unsigned char> toolColorPick();    // 屏幕取色
std::span<const unsigned char> toolExeView();      // EXE编辑

}  // namespace qx::res
