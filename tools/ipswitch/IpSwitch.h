#pragma once
// The network address switcher's core: the interfaces with their addresses, gateways and DNS;
// saved address profiles (static or DHCP) checked before anything is applied; applying one to
// a connection through NetworkManager.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qx::ipswitch {

struct Profile {
    std::string name;
    bool dhcp = false;
    std::string address;
    std::string mask;  // "255.255.255.0" or a prefix length "24"
    std::string gateway;
    std::vector<std::string> dns;
};

bool parseIpv4(std::string_view text, std::uint32_t& address);
std::string formatIpv4(std::uint32_t address);
// The prefix length of a mask ("255.255.255.0", "24" or "/24"); -1 when it is none.
int prefixOfMask(std::string_view mask);
// Empty when the profile can be applied, else the first problem (Chinese).
std::string checkProfile(const Profile& p);

// Profiles live in <config>/quorvex/ip-profiles.ini (XDG_CONFIG_HOME or ~/.config).
std::string profilesPath();
std::vector<Profile> loadProfiles(const std::string& path);
// Empty on success, else why not.
std::string saveProfiles(const std::string& path, const std::vector<Profile>& profiles);

struct Interface {
    std::string name;
    std::string mac;
    bool up = false;
    std::vector<std::string> addresses;  // "192.168.1.5/24"
    std::string gateway;
};
// From the system itself (works without NetworkManager).
std::vector<Interface> listInterfaces(const std::string& routeFile = "/proc/net/route");
std::vector<std::string> systemDns(const std::string& resolvConf = "/etc/resolv.conf");

struct Connection {
    std::string id;
    std::string uuid;
    std::string type;    // "802-3-ethernet", "802-11-wireless"...
    std::string device;  // the device it is active on, or empty
};

// NetworkManager over D-Bus. Every call blocks until NetworkManager has answered: run it off
// the window's thread.
class NetworkManager {
  public:
    NetworkManager();
    ~NetworkManager();
    NetworkManager(const NetworkManager&) = delete;
    NetworkManager& operator=(const NetworkManager&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    std::vector<Connection> connections();
    // Writes the profile into the connection and activates it again. Empty on success.
    std::string apply(const std::string& uuid, const Profile& profile);

  private:
    struct State;
    State* s_ = nullptr;
    std::string error_;
};

}  // namespace qx::ipswitch
