#pragma once
// The script that replaces the program by a newly published version.
#include <string>

#include "core/Text.h"

namespace qx::notice {

// The Windows batch text (GBK, CR LF, no final line end).
Text updateScriptBatch(const Text& exeFileName, const Text& downloadAddress);

// The POSIX sh script: ends every running instance of the executable's name, downloads the
// new file with curl into a temporary folder, moves it over the old one with its run bit,
// removes the folder, starts the new program and deletes itself. Every value is quoted.
std::string updateScriptPosix(const std::string& nativeExeFileName, const std::string& downloadAddress);

// The address comes from the network and ends up in a script: only an https URL without
// characters that a shell or the command interpreter would interpret is accepted.
bool isSafeDownloadAddress(const Text& address);

}  // namespace qx::notice
