// The windows whose features do not carry their own layout yet, control by control. Only layout
// tables know a coordinate: handlers name controls and read their geometry from the model.
#include "ui/Layout.h"

#include "text/Strings.h"
#include "ui/LayoutRows.h"

namespace qx::ui {

namespace {

using namespace rows;

WindowLayout mainWindow() {
    return window("MainWindow", "Quorvex工具箱", 732, 354, "主界面UI",
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
}

WindowLayout aboutWindow() {
    return window("AboutWindow", "", 466, 273, "关于UI",
                  {
                      picture("图片框EX1", 171, 30, 123, 123).picture("logo"),
                      label("标签EX1", "Quorvex工具箱", 129, 160, 208, 32).centered(),
                      label("标签EX3", "quorvex.example  Quorvex工具箱", 128, 192, 208, 32).centered(),
                      label("标签EX2", "特别鸣谢", 176, 232, 109, 32).centered(),
                      closeButton(432, 13),
                  });
}

WindowLayout resolverWindow() {
    return window("ResolverWindow", "", 325, 509, "云盘解析UI",
                  {
                      picture("图片框EX1", 96, 24, 136, 104),
                      label("标签EX1", "", 64, 136, 200, 24).centered(),
                      label("标签EX2", "原链接：", 16, 168, 56, 24),
                      edit("编辑框EX_原链接", 16, 200, 288, 32),
                      label("标签EX3", "分享密码（没有可不填）：", 16, 240, 153, 23),
                      edit("编辑框EX_密码", 16, 272, 288, 32),
                      label("标签EX4", "直链：", 16, 312, 43, 23),
                      edit("编辑框EX_结果", 16, 344, 288, 104),
                      button("按钮EX3", "生成并复制", 16, 456, 108, 32),
                      button("按钮EX4", "生成", 162, 456, 68, 32),
                      button("按钮EX2", "复制", 236, 456, 68, 32),
                      closeButton(296, 12),
                  });
}

WindowLayout siteIconWindow() {
    return window("SiteIconWindow", "", 325, 354, "网站取图标UI",
                  {
                      label("标签EX1", "网站取图标", 62, 24, 200, 32).centered(),
                      label("标签EX4", "暂不支持.cn域名", 58, 48, 208, 16).centered(),
                      label("标签EX2", "欲取其图标的网站：", 16, 80, 120, 26),
                      edit("编辑框EX2", 16, 112, 288, 32),
                      button("按钮EX3", "获取图标", 16, 152, 288, 24),
                      picture("图片框EX1", 16, 192, 288, 120).named("保存图标"),
                      label("标签EX3", "", 16, 312, 288, 26).centered(),
                      closeButton(296, 8),
                  });
}

WindowLayout regexTesterWindow() {
    return window("RegexTesterWindow", "", 380, 506, "正则调试UI",
                  {
                      label("标签EX2", "正则文本：", 32, 32, 112, 24),
                      edit("编辑框EX_正则文本", 30, 56, 320, 32),
                      button("按钮EX3", "匹配", 262, 92, 88, 24),
                      label("标签EX3", "原文本：", 40, 104, 56, 24),
                      edit("编辑框EX_原文本", 32, 128, 320, 144),
                      label("标签EX4", "输出文本[每行对应的是每个匹配到的文本]：", 32, 280, 249, 24),
                      edit("编辑框EX_输出文本", 32, 304, 320, 176),
                      closeButton(344, 16),
                  });
}

WindowLayout encoderWindow() {
    WindowLayout l = window("EncoderWindow", "", 685, 517, "编码转换UI",
                            {
                                label("标签EX1", "原文本：", 24, 24, 64, 16),
                                edit("编辑框EX_原文本", 24, 48, 640, 216),
                                radio("单选框EX1", "UTF8解码", 24, 272, 88, 32),
                                radio("单选框EX2", "URL解码", 112, 272, 80, 32),
                                radio("单选框EX3", "usc2解码", 192, 272, 88, 32),
                                button("按钮EX4", "粘贴", 312, 272, 108, 32),
                                button("按钮EX2", "编码", 432, 272, 108, 32),
                                button("按钮EX3", "解码", 552, 272, 108, 32),
                                label("标签EX2", "URL：", 24, 320, 48, 24),
                                edit("编辑框EX_URL", 72, 312, 591, 40),
                                label("标签EX3", "UTF8：", 24, 368, 48, 24),
                                edit("编辑框EX_UTF8", 72, 360, 591, 40),
                                label("标签EX4", "Ansi：", 24, 416, 48, 24),
                                edit("编辑框EX_Ansi", 72, 408, 591, 40),
                                label("标签EX5", "usc2：", 24, 464, 48, 24),
                                edit("编辑框EX_usc2", 72, 456, 591, 40),
                                // Below the first height; decoding grows the window and shows it.
                                edit("编辑框EX_解码文本", 24, 508, 640, 136).hidden(),
                                closeButton(648, 16),
                            });
    l.grownHeight = 668;
    return l;
}

WindowLayout avatarWindow() {
    return window("AvatarWindow", "", 308, 364, "取QQ头像UI",
                  {
                      label("标签EX1", "QQ号：", 18, 24, 64, 24),
                      edit("编辑框EX_QQ号", 18, 56, 272, 32),
                      button("按钮EX24", "获取头像", 18, 96, 272, 32),
                      picture("图片框EX1", 18, 152, 272, 192).named("保存头像"),
                      closeButton(280, 8),
                  });
}

}  // namespace

const std::vector<WindowLayout>& allLayouts() {
    static const std::vector<WindowLayout> layouts = {
        mainWindow(),        aboutWindow(),   resolverWindow(), siteIconWindow(),
        regexTesterWindow(), encoderWindow(), avatarWindow(),
    };
    return layouts;
}

const WindowLayout* findLayout(std::string_view windowName) {
    for (auto& l : allLayouts())
        if (l.name == windowName) return &l;
    return nullptr;
}

}  // namespace qx::ui
