#include "platform/audio/Mci.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/detail/Mp3Device.h"
#include "platform/system/Files.h"
#include "platform/text/Ascii.h"

namespace qx::platform {

namespace {

using detail::Mp3Device;

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<Mp3Device>> devices;  // by lower-case alias
    std::string module;
};

// Never destroyed: a playback thread may still run while the process ends.
Registry& registry() {
    static Registry* r = new Registry();
    return *r;
}

// Words separated by blanks; a word in double quotes may hold blanks (the quotes are dropped)
// and a doubled quote stands for one quote inside it. False for an unterminated quote.
bool splitWords(std::string_view command, std::vector<std::string>& words) {
    std::size_t i = 0;
    while (i < command.size()) {
        char c = command[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c == '"') {
            std::string word;
            for (++i;; ++i) {
                if (i >= command.size()) return false;
                if (command[i] != '"') {
                    word += command[i];
                } else if (i + 1 < command.size() && command[i + 1] == '"') {
                    word += '"';
                    ++i;
                } else {
                    break;
                }
            }
            words.push_back(std::move(word));
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < command.size() && command[end] != ' ' && command[end] != '\t' && command[end] != '\r' &&
               command[end] != '\n')
            ++end;
        words.emplace_back(command.substr(i, end - i));
        i = end;
    }
    return true;
}

std::shared_ptr<Mp3Device> find(const std::string& alias) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.devices.find(toLowerAscii(alias));
    return it == r.devices.end() ? nullptr : it->second;
}

std::string outputModule() {
    Registry& r = registry();
    {
        std::lock_guard lock(r.mutex);
        if (!r.module.empty()) return r.module;
    }
    const char* env = std::getenv("QUORVEX_AUDIO_MODULE");
    return env ? env : "";
}

int openCommand(const std::vector<std::string>& w) {
    // open <path> alias <name>
    if (w.size() != 4 || toLowerAscii(w[2]) != "alias" || w[1].empty() || w[3].empty())
        return kMciUnrecognizedKeyword;
    const std::string alias = toLowerAscii(w[3]);
    if (alias == "all") return kMciUnrecognizedKeyword;
    if (find(alias)) return kMciDuplicateAlias;
    if (!fileExists(w[1])) return kMciFileNotFound;
    if (isDirectory(w[1])) return kMciInvalidFile;
    int result = kMciOk;
    std::shared_ptr<Mp3Device> device = Mp3Device::open(toNativePath(w[1]), &result);
    if (!device) return result;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    // Another thread may have taken the alias meanwhile; the earlier device wins.
    if (!r.devices.emplace(alias, device).second) return kMciDuplicateAlias;
    return kMciOk;
}

int playCommand(const std::vector<std::string>& w) {
    // play <alias> [wait]
    if (w.size() < 2 || w.size() > 3 || (w.size() == 3 && toLowerAscii(w[2]) != "wait"))
        return kMciUnrecognizedKeyword;
    std::shared_ptr<Mp3Device> device = find(w[1]);
    if (!device) return kMciInvalidDeviceName;
    return device->play(w.size() == 3, outputModule());
}

int stopCommand(const std::vector<std::string>& w) {
    if (w.size() != 2) return kMciUnrecognizedKeyword;
    std::shared_ptr<Mp3Device> device = find(w[1]);
    if (!device) return kMciInvalidDeviceName;
    device->stop();
    return kMciOk;
}

int closeCommand(const std::vector<std::string>& w) {
    if (w.size() != 2) return kMciUnrecognizedKeyword;
    std::vector<std::shared_ptr<Mp3Device>> closing;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        const std::string alias = toLowerAscii(w[1]);
        if (alias == "all") {
            for (auto& [name, device] : r.devices) closing.push_back(device);
            r.devices.clear();
        } else {
            auto it = r.devices.find(alias);
            if (it == r.devices.end()) return kMciInvalidDeviceName;
            closing.push_back(it->second);
            r.devices.erase(it);
        }
    }
    // Outside the registry lock: a playback may take one output buffer to let go.
    for (auto& device : closing) device->close();
    return kMciOk;
}

}  // namespace

int mciSendString(std::string_view command) {
    try {
        std::vector<std::string> words;
        if (!splitWords(command, words)) return kMciUnrecognizedKeyword;
        if (words.empty()) return kMciUnrecognizedCommand;
        const std::string verb = toLowerAscii(words[0]);
        if (verb == "open") return openCommand(words);
        if (verb == "play") return playCommand(words);
        if (verb == "stop") return stopCommand(words);
        if (verb == "close") return closeCommand(words);
        return kMciUnrecognizedCommand;
    } catch (...) {
        // Out of memory or no thread for a playback: the command failed, nothing more.
        return kMciHardware;
    }
}

void setAudioOutputModule(std::string module) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.module = std::move(module);
}

}  // namespace qx::platform
