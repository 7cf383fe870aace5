#include "platform/system/InputMethod.h"

#include <cctype>
#include <cstdlib>
#include <fstream>

namespace qx::platform {

const std::vector<std::string>& machineIdFiles() {
    static const std::vector<std::string> files = {"/var/lib/dbus/machine-id", "/etc/machine-id"};
    return files;
}

bool hasMachineId(const std::vector<std::string>& files) {
    for (const std::string& path : files) {
        std::ifstream in(path);
        std::string id;
        if (!(in >> id) || id.size() != 32) continue;
        bool hex = true;
        for (char c : id) hex = hex && std::isxdigit(static_cast<unsigned char>(c));
        if (hex) return true;
    }
    return false;
}

std::string avoidInputMethodWithoutMachineId(const std::vector<std::string>& files) {
    auto asksForIbus = [](const char* name) {
        const char* value = std::getenv(name);
        return value && std::string(value).find("ibus") != std::string::npos;
    };
    if (!asksForIbus("QT_IM_MODULE") && !asksForIbus("QT_IM_MODULES")) return "";
    if (hasMachineId(files)) return "";
    ::setenv("QT_IM_MODULE", "compose", 1);
    ::unsetenv("QT_IM_MODULES");
    return "输入法 ibus 需要 D-Bus 的机器标识（/etc/machine-id），本机没有：已改用 Qt 的组合键输入。"
           "以 root 运行 dbus-uuidgen --ensure 可以补上。";
}

}  // namespace qx::platform
