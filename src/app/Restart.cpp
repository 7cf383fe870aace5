#include "app/Restart.h"

#include "text/CodePages.h"
#include "platform/system/Files.h"
#include "platform/system/Process.h"
#include "platform/system/ShellQuote.h"
#include "text/Strings.h"

namespace qx::app {

int normaliseRestartDelay(int delaySeconds) { return delaySeconds < 1 ? 2 : delaySeconds; }

Text restartScriptBatch(const Text& shortExePath, int delaySeconds) {
    Text script = gbk(u8"@echo off \r\n@ping 127.0.0.1 -n 秒数 >nul\r\nstart \"\" \"<文件名>\"\r\ndel Restart.bat");
    script = replaceFirst(script, gbk(u8"<文件名>"), shortExePath);
    script = replaceFirst(script, gbk(u8"秒数"), fromInt(normaliseRestartDelay(delaySeconds)));
    return script;
}

std::string restartScriptPosix(const std::string& nativeExePath, const std::string& nativeScriptPath,
                               int delaySeconds) {
    using platform::shellQuote;
    std::string exeDir = nativeExePath.substr(0, nativeExePath.rfind('/') + 1);
    if (exeDir.empty()) exeDir = ".";
    std::string script = "#!/bin/sh\n";
    script += "sleep " + std::to_string(normaliseRestartDelay(delaySeconds)) + "\n";
    script += "cd " + shellQuote(exeDir) + " || exit 1\n";
    script += "setsid " + shellQuote(nativeExePath) + " </dev/null >/dev/null 2>&1 &\n";
    script += "rm -f -- " + shellQuote(nativeScriptPath) + "\n";
    return script;
}

void restartSelf(const ProgramState& state, int delaySeconds) {
    Text exePath = state.exePath();
    if (!platform::fileExists(exePath)) return;
    Text scriptPath = state.pathIn("Restart.sh");
    std::string nativeScript = platform::toNativePath(scriptPath);
    platform::writeFile(scriptPath, restartScriptPosix(platform::toNativePath(shortPathOf(exePath)), nativeScript,
                                                      delaySeconds));
    platform::startDetached("sh", {nativeScript}, platform::toNativePath(state.runDirectory));
    terminateProcessById(0);
}

bool terminateProcessById(int processId) { return platform::terminateProcess(processId, 0); }

}  // namespace qx::app
