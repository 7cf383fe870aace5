#include "state/ProgramState.h"

#include "platform/system/Files.h"
#include "text/Strings.h"

namespace qx {

void ProgramState::setExecutablePath(std::string_view path) {
    auto cut = path.rfind('/');
    if (cut == std::string_view::npos) {
        runDirectory.clear();
        exeFileName = Text(path);
        return;
    }
    runDirectory = Text(path.substr(0, cut));
    exeFileName = Text(path.substr(cut + 1));
}

Text ProgramState::exePath() const { return runDirectory + platform::pathSeparator() + exeFileName; }

Text ProgramState::pathIn(std::string_view relative) const {
    // Callers write relative paths the way the Windows program did ("Temp\\x.exe").
    Text rel(relative);
    while (!rel.empty() && (rel.front() == '\\' || rel.front() == '/')) rel.erase(0, 1);
    // GBK-aware: a trail byte may be 0x5C and is not a separator.
    for (std::size_t i = 0; i < rel.size(); ++i) {
        if (isGbkLead(static_cast<unsigned char>(rel[i]))) {
            ++i;
        } else if (rel[i] == '\\') {
            rel[i] = platform::pathSeparator()[0];
        }
    }
    return (workDirectory.empty() ? runDirectory : workDirectory) + platform::pathSeparator() + rel;
}

Text ProgramState::currentVersion() const { return ownVersionInfo.get()[0]; }

}  // namespace qx
