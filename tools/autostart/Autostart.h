#pragma once
// The start-up item editor's core: the XDG autostart entries of the user and of the system.
// A user entry of the same file name stands in for a system entry; Hidden=true turns an entry
// off. System files are never written: turning one off writes a user entry that hides it.
// Every operation returns an error text in Chinese, empty on success.
#include <string>
#include <string_view>
#include <vector>

namespace qx::autostart {

struct Dirs {
    std::string user;                 // ~/.config/autostart
    std::vector<std::string> system;  // /etc/xdg/autostart, the first one wins
};
// From XDG_CONFIG_HOME / HOME and XDG_CONFIG_DIRS, with the standard defaults.
Dirs dirsFromEnvironment();

enum class Source { User, System, UserOverride };

struct Entry {
    std::string id;  // the file name, e.g. "foo.desktop"
    std::string name;
    std::string exec;  // as written in the file
    std::string comment;
    Source source = Source::User;
    bool enabled = true;
    bool ourHidingEntry = false;  // a user entry this tool wrote only to turn a system entry off
};

std::vector<Entry> listEntries(const Dirs& dirs);

struct NewEntry {
    std::string name;
    std::string command;    // a program path or a name found on PATH
    std::string arguments;  // blanks separate, quotes group: a "b c" 'd'
    std::string comment;
};

// Checks the input, then writes a new user entry (never replacing one, nor standing in for a
// system entry by accident). `id` receives the file name.
std::string addEntry(const Dirs& dirs, const NewEntry& entry, std::string* id = nullptr);
std::string setEnabled(const Dirs& dirs, const std::string& id, bool enabled);
// User entries only; removing a user entry that stands in for a system one brings that back.
std::string removeEntry(const Dirs& dirs, const std::string& id);

// The pieces, for the tests.
bool splitArguments(std::string_view text, std::vector<std::string>& out);
std::string execLine(const std::vector<std::string>& argv);                 // Exec= value, unescaped
bool parseExecLine(std::string_view exec, std::vector<std::string>& argv);  // the reverse
std::string escapeValue(std::string_view value);                            // desktop entry string escapes
std::string unescapeValue(std::string_view value);

}  // namespace qx::autostart
