#pragma once
// The helper programs built in tools/, linked in as the bytes of their stripped executables.
#include <span>

namespace qx::res {

std::span<const unsigned char> toolProcessKill();  // 进程终止
std::span<const unsigned char> toolAutostart();    // 启动项添加
std::span<const unsigned char> toolUnlock();       // 文件占用解锁
std::span<const unsigned char> toolWindowInfo();   // 窗口信息获取

}  // namespace qx::res
