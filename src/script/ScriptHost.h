#pragma once
// A thin wrapper of the script control for running small snippets from native code.
// Script errors are never raised: executeStatement answers false, eval an empty text, and
// lastError gives the error text of the last call made on this thread.
#include <memory>
#include <optional>

#include "core/Text.h"

namespace qx::platform {
class ScriptControl;
}

namespace qx::script {

class ScriptHost {
  public:
    ScriptHost();  // a fresh engine with the language "JScript"
    ~ScriptHost();
    ScriptHost(const ScriptHost& other);  // a clone: shares the engine
    ScriptHost& operator=(const ScriptHost& other);
    ScriptHost(ScriptHost&& other) noexcept;
    ScriptHost& operator=(ScriptHost&& other) noexcept;

    void destroy();
    ScriptHost clone() const;
    bool executeStatement(const Text& statement);
    Text eval(const Text& expression);
    void reset();
    Text lastError() const;
    std::shared_ptr<platform::ScriptControl> engineObject() const;
    // Passes the given arguments in order, stopping at the first one not given.
    Text run(const Text& procedure, const std::optional<Text>& a1 = std::nullopt,
             const std::optional<Text>& a2 = std::nullopt, const std::optional<Text>& a3 = std::nullopt,
             const std::optional<Text>& a4 = std::nullopt, const std::optional<Text>& a5 = std::nullopt,
             const std::optional<Text>& a6 = std::nullopt);
    // 0 "JScript", 1 "vbs" (refused by this engine), anything else changes nothing.
    Text language(int kind = 0);
    // Without an argument the time-out becomes -1 (no limit).
    int timeout(std::optional<int> milliseconds = std::nullopt);
    int state(std::optional<int> state = std::nullopt);
    bool allowUI(std::optional<bool> allow = std::nullopt);
    long long siteHwnd(std::optional<long long> hwnd = std::nullopt);
    bool addCode(const Text& code);

  private:
    std::shared_ptr<platform::ScriptControl> engine_;
};

}  // namespace qx::script
