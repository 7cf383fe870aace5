#pragma once
// Qt's ibus input-method module asks libdbus for the machine id, and libdbus ends the process
// when there is none (a bare container or chroot has neither file). Before the application
// object exists, such a module is switched off instead.
#include <string>
#include <vector>

namespace qx::platform {

// The files libdbus reads the machine id from, in its order.
const std::vector<std::string>& machineIdFiles();

// Whether one of the files holds a machine id (32 hexadecimal digits).
bool hasMachineId(const std::vector<std::string>& files = machineIdFiles());

// When QT_IM_MODULE (or QT_IM_MODULES) asks for ibus and no machine id can be read, sets Qt's
// plain compose module instead and returns a note for the user; otherwise returns "".
std::string avoidInputMethodWithoutMachineId(const std::vector<std::string>& files = machineIdFiles());

}  // namespace qx::platform
