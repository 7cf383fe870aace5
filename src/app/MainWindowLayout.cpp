#include "app/MainWindowLayout.h"

#include <vector>

#include "app/MainWindow.h"
#include "notice/Notice.h"
#include "ui/LayoutRows.h"

namespace qx::app {

const ui::WindowLayout& mainWindowLayout() {
    using namespace ui::rows;
    static const ui::WindowLayout layout =
        window("MainWindow", "Quorvex工具箱", 732, 354, "主界面UI",
               {
                   closeButton(694, 15),
                   button("按钮EX2", "-", 664, 16, 24, 24).named("最小化"),
                   picture("图片框EX1", 40, 32, 88, 72).picture("logo"),
                   label("标签EX1", "Quorvex工具箱", 36, 112, 96, 16).centered(),
                   picture("图片框EX3", 104, 86, 32, 24).picture("corner"),
                   button("按钮EX3", "首页", 30, 152, 108, 32),
                   button("按钮EX5", "工具集", 30, 200, 108, 32),
                   button("按钮EX6", "工具集2", 30, 248, 108, 32),
                   button("按钮EX4", "关于", 30, 296, 108, 32),
                   Row(K::TabControl, "选择夹EX1", "", 168, 32, 528, 296).pages({"首页", "工具", "系统"}),

                   // Page 0, "首页".
                   label("标签EX2", "首页>", 8, 8, 40, 16).onPage(0),
                   group("分组框EX1", "", 116, 0, 296, 168).onPage(0),
                   picture("图片框EX2", 32, 24, 64, 80).in("分组框EX1").picture("update").named("更新"),
                   label("标签EX_版本提示", "当前版本号：", 104, 24, 176, 40).in("分组框EX1"),
                   label("标签EX_最新版本提示", "最新版本号：", 104, 64, 176, 40).in("分组框EX1"),
                   button("按钮EX7", "检查更新", 16, 112, 263, 24).in("分组框EX1"),
                   label("版本提示标签", "", 19, 144, 256, 24).in("分组框EX1"),
                   label("骚话标签", "啊嘞？这就录进去了？", 28, 184, 472, 96).onPage(0).centered(),
                   // Same rectangle as the joke label; the notice shows it when there is a change log.
                   edit("编辑框EX_更新内容", 28, 184, 472, 96).onPage(0).hidden(),

                   // Page 1, "工具".
                   label("标签EX3", "工具集>", 8, 8, 56, 16).onPage(1),
                   group("分组框EX2", "Cloud", 28, 35, 472, 104).onPage(1),
                   button("按钮EX8", "蓝奏云取直链", 16, 32, 104, 32).in("分组框EX2"),
                   button("按钮EX9", "OneDriveForBusiness取直链", 136, 32, 184, 32).in("分组框EX2"),
                   button("按钮EX10", "比邻网盘取直链", 336, 32, 120, 32).in("分组框EX2"),
                   button("按钮EX11", "诚通取直链", 16, 72, 104, 32).in("分组框EX2"),
                   button("按钮EX12", "360云盘取直链", 136, 72, 184, 32).in("分组框EX2"),
                   button("按钮EX13", "文叔叔取直链", 336, 72, 120, 32).in("分组框EX2"),
                   group("分组框EX3", "其他", 28, 156, 472, 152).onPage(1),
                   button("按钮EX14", "网站取图标", 48, 48, 104, 32).in("分组框EX3"),
                   button("按钮EX15", "屏幕取色", 176, 48, 104, 32).in("分组框EX3"),
                   button("按钮EX18", "网页测试", 304, 48, 104, 32).in("分组框EX3"),
                   button("按钮EX17", "编码转换", 48, 96, 104, 32).in("分组框EX3"),
                   button("按钮EX20", "短链接生成", 176, 96, 104, 32).in("分组框EX3"),
                   button("按钮EX22", "正则调试", 304, 96, 104, 32).in("分组框EX3"),

                   // Page 2, "系统": four columns (24, 144, 264, 384), five rows (48 ... 240).
                   label("标签EX4", "工具集2>", 8, 8, 64, 16).onPage(2),
                   button("按钮EX21", "EXE编辑", 24, 48, 104, 32).onPage(2),
                   button("按钮EX19", "启动项添加", 144, 48, 104, 32).onPage(2),
                   button("按钮EX30", "窗口信息获取", 264, 48, 104, 32).onPage(2),
                   button("按钮EX35", "进程终止", 384, 48, 104, 32).onPage(2),
                   button("按钮EX16", "文本转语音", 24, 96, 104, 32).onPage(2),
                   button("按钮EX23", "图标提取", 144, 96, 104, 32).onPage(2),
                   button("按钮EX31", "文件占用解锁", 264, 96, 104, 32).onPage(2),
                   button("按钮EX36", "IP设置", 384, 96, 104, 32).onPage(2),
                   button("按钮EX24", "取QQ头像", 24, 144, 104, 32).onPage(2),
                   button("按钮EX25", "网速测试", 144, 144, 104, 32).onPage(2),
                   button("按钮EX32", "待定", 264, 144, 104, 32).onPage(2),
                   button("按钮EX37", "待定", 384, 144, 104, 32).onPage(2),
                   button("按钮EX27", "待定", 24, 192, 104, 32).onPage(2),
                   button("按钮EX26", "待定", 144, 192, 104, 32).onPage(2),
                   button("按钮EX33", "待定", 264, 192, 104, 32).onPage(2),
                   button("按钮EX38", "待定", 384, 192, 104, 32).onPage(2),
                   button("按钮EX28", "待定", 24, 240, 104, 32).onPage(2),
                   button("按钮EX29", "待定", 144, 240, 104, 32).onPage(2),
                   button("按钮EX34", "待定", 264, 240, 104, 32).onPage(2),
                   button("按钮EX39", "待定", 384, 240, 104, 32).onPage(2),
               });
    return layout;
}

const ui::WindowLayout& aboutLayout() {
    using namespace ui::rows;
    static const ui::WindowLayout layout =
        window("AboutWindow", "", 466, 273, "关于UI",
               {
                   picture("图片框EX1", 171, 30, 123, 123).picture("logo"),
                   label("标签EX1", "Quorvex工具箱", 129, 160, 208, 32).centered(),
                   label("标签EX3", "quorvex.example  Quorvex工具箱", 128, 192, 208, 32).centered(),
                   label("标签EX2", "特别鸣谢", 176, 232, 109, 32).centered(),
                   closeButton(432, 13),
               });
    return layout;
}

namespace {

using K = ui::ControlKind;
using namespace control;

constexpr ui::ControlRef kMainControls[] = {
    {kClose, K::CloseButton},       {kMinimise, K::Button},          {kTabs, K::TabControl},
    {kHomeButton, K::Button},       {kToolsButton, K::Button},       {kSystemButton, K::Button},
    {kOwnVersion, K::Label},        {kCheckUpdate, K::Button},       {kUpdateIcon, K::PictureBox},
    {kCloudButtons[0], K::Button},  {kCloudButtons[1], K::Button},   {kCloudButtons[2], K::Button},
    {kCloudButtons[3], K::Button},  {kCloudButtons[4], K::Button},   {kCloudButtons[5], K::Button},
    {kAboutButton, K::Button},      {kSiteIconButton, K::Button},    {kSpeechButton, K::Button},
    {kEncoderButton, K::Button},    {kTesterButton, K::Button},      {kRegexTesterButton, K::Button},
    {kAvatarButton, K::Button},     {kSpeedTestButton, K::Button},   {kIconExtractButton, K::Button},
    {kAutostartButton, K::Button},  {kProcessKillButton, K::Button}, {kIpSwitchButton, K::Button},
    {kWindowInfoButton, K::Button}, {kUnlockButton, K::Button},      {kShortLinkButton, K::Button},
    {kColorPickButton, K::Button},  {kExeViewButton, K::Button},
};

constexpr ui::ControlRef kAboutControls[] = {{about_control::kCredits, K::Label}};

}  // namespace

const ui::WindowDescriptor& mainWindowDescriptor() {
    static const std::vector<ui::ControlRef> controls = [] {
        std::vector<ui::ControlRef> all(std::begin(kMainControls), std::end(kMainControls));
        all.insert(all.end(), std::begin(notice::kMainWindowControls), std::end(notice::kMainWindowControls));
        return all;
    }();
    static const ui::WindowDescriptor d{"MainWindow", mainWindowLayout, nullptr, controls};
    return d;
}

const ui::WindowDescriptor kAboutWindow{"AboutWindow", aboutLayout, bindAboutWindow, kAboutControls};

}  // namespace qx::app
