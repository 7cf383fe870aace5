#pragma once
// The process terminator's core: what a chosen way of ending touches, the signals, and the
// texts that report the outcome. No window here, so the tests drive it headless.
#include <string>
#include <vector>

#include "common/Processes.h"

namespace qx::processkill {

enum class Method { Single, Tree, SameName };

struct Plan {
    std::vector<tools::ProcessInfo> targets;  // in the order they are signalled
    bool includesToolbox = false;
    bool includesSelf = false;
};

// The chosen process alone, with its descendants (deepest first), or every process of its name.
// This tool itself, when among them, comes last, so that the others are reached first.
Plan planEnd(const std::vector<tools::ProcessInfo>& all, const tools::ProcessInfo& chosen, Method method);

// The question to ask before the plan runs; empty when it needs none. Ending the toolbox or this
// tool, or more than one process, is never done without asking.
std::string confirmation(const Plan& plan, bool force);

struct Outcome {
    tools::ProcessInfo process;
    tools::EndResult result;
};
std::vector<Outcome> endProcesses(const std::vector<tools::ProcessInfo>& targets, bool force);
// One line per kind of outcome, in Chinese.
std::string summarize(const std::vector<Outcome>& outcomes, bool force);

// "12.3 MB" and the like.
std::string formatMemory(long long bytes);

}  // namespace qx::processkill
