// IP设置: switch between saved IPv4 address profiles through NetworkManager.
#include "common/Look.h"
#include "ipswitch/IpSwitchWindow.h"

int main(int argc, char** argv) {
    return qx::tools::runTool(argc, argv, QStringLiteral("IP设置"),
                              [] { return new qx::ipswitch::IpSwitchWindow; });
}
