// 短链接生成: a long address made short by a public shortening service.
#include "common/Look.h"
#include "shortlink/ShortLinkWindow.h"

int main(int argc, char** argv) {
    return qx::tools::runTool(argc, argv, QStringLiteral("短链接生成"),
                              [] { return new qx::shortlink::ShortLinkWindow; });
}
