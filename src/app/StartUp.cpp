#include "app/StartUp.h"

#include "app/MainWindow.h"
#include "platform/system/Clock.h"
#include "platform/system/Files.h"
#include "platform/system/Random.h"
#include "text/Strings.h"

namespace qx::app {

void initialiseProgramState(ProgramState& state) {
    state.setExecutablePath(platform::executablePath());
    platform::setCurrentDirectory(chooseStartDirectory(state.runDirectory, platform::userFilesDirectory()));
    state.workDirectory = chooseWorkDirectory(state.runDirectory, platform::userCacheDirectory());
}

Text chooseStartDirectory(const Text& runDirectory, const Text& userDirectory) {
    // An installed program's folder is no place the user can save into, and the dialogs start here.
    if (platform::isWritableDirectory(runDirectory) || !platform::isDirectory(userDirectory))
        return runDirectory;
    return userDirectory;
}

Text chooseWorkDirectory(const Text& runDirectory, const Text& cacheDirectory) {
    if (platform::isWritableDirectory(runDirectory) || cacheDirectory.empty()) return runDirectory;
    Text own = cacheDirectory + platform::pathSeparator() + "quorvex";
    platform::createDirectory(cacheDirectory);
    platform::createDirectory(own);
    return platform::isWritableDirectory(own) ? own : runDirectory;
}

void startUp(ProgramState& state, ui::WindowSystem& windows) {
    // The Windows build deployed its skinning library beside the executable here and restarted
    // once; our window layer is linked in, so nothing needs deploying and no restart happens.
    platform::seedRandom(platform::tickCount());
    platform::createDirectory(state.pathIn("Temp"));  // an existing folder is fine
    openMainWindow(state, windows);
}

}  // namespace qx::app
