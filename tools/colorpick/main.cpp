// 屏幕取色: the colour of any pixel of the screen.
#include "colorpick/ColorPickWindow.h"
#include "common/Look.h"

int main(int argc, char** argv) {
    return qx::tools::runTool(argc, argv, QStringLiteral("屏幕取色"),
                              [] { return new qx::colorpick::ColorPickWindow; });
}
