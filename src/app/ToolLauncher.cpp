#include "app/ToolLauncher.h"

#include <algorithm>

#include "app/MainWindowLayout.h"
#include "platform/system/Files.h"
#include "platform/system/Process.h"
#include "resources/Tools.h"

namespace qx::app {

namespace {

constexpr EmbeddedTool kTools[] = {
    {control::kIconExtractButton, "\\Temp\\Temp_IconGet.exe", res::toolIconExtract},
    {control::kAutostartButton, "\\Temp\\Temp_Run.exe", res::toolAutostart},
    {control::kProcessKillButton, "\\Temp\\Temp_ProCesskill.exe", res::toolProcessKill},
    {control::kIpSwitchButton, "\\Temp\\Temp_IPStter.exe", res::toolIpSwitch},
    {control::kWindowInfoButton, "\\Temp\\Temp_ViewWizard 2.8.0.exe", res::toolWindowInfo},
    {control::kUnlockButton, "\\Temp\\Temp_Unlock.exe", res::toolUnlock},
    {control::kShortLinkButton, "\\Temp\\Temp_Web.exe", res::toolShortLink},
    {control::kColorPickButton, "\\Temp\\Temp_Get_color.exe", res::toolColorPick},
    {control::kExeViewButton, "\\Temp\\Temp_EXEedit.exe", res::toolExeView},
};

bool sameContent(const Text& path, std::span<const unsigned char> bytes) {
    if (platform::fileSize(path) != static_cast<long long>(bytes.size())) return false;
    std::string existing;
    return platform::readFile(path, existing) &&
           std::equal(existing.begin(), existing.end(), bytes.begin(), bytes.end(),
                      [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; });
}

}  // namespace

std::span<const EmbeddedTool> embeddedTools() { return kTools; }

void launchEmbeddedTool(const ProgramState& state, std::string_view relativePath,
                        std::span<const unsigned char> bytes) {
    const Text path = state.pathIn(relativePath);  // separators become the platform's
    // Unchanged bytes need no write: a copy of the tool that still runs from this file is never
    // touched, whatever the file system allows.
    if (!sameContent(path, bytes)) {
        platform::writeFile(path,
                            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    platform::setExecutable(path);
    platform::shellOpen(platform::toNativePath(path));
}

void bindToolButtons(const ui::WindowPtr& window, const ProgramState& state) {
    for (const EmbeddedTool& tool : kTools) {
        window->onClick(tool.button,
                        [&state, &tool] { launchEmbeddedTool(state, tool.relativePath, tool.bytes()); });
    }
}

}  // namespace qx::app
