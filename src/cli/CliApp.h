#pragma once
// quorvex-cli: the toolbox's services from the command line.

namespace qx::cli {

// The whole run; returns the exit code (never throws).
int runCli(int argc, char** argv);

}  // namespace qx::cli
