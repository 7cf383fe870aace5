#include "ipswitch/IpSwitch.h"

#include <NetworkManager.h>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>

#include <QSettings>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace qx::ipswitch {

namespace {

constexpr int kMaxProfiles = 1000;

std::string trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return std::string(s);
}

std::string permissionOrMessage(const GError* e, const std::string& what) {
    if (!e) return what + "失败。";
    const std::string message = e->message ? e->message : "";
    gchar* remote = g_dbus_error_get_remote_error(e);
    const std::string remoteName = remote ? remote : "";
    g_free(remote);
    if (g_error_matches(e, NM_CLIENT_ERROR, NM_CLIENT_ERROR_MANAGER_NOT_RUNNING))
        return "NetworkManager 没有运行，无法修改网络设置。";
    // nm-errors.h declares its error domains without C linkage, so they are told by name here.
    const std::string domain = g_quark_to_string(e->domain);
    const bool settingsDenied =
        domain == "nm-settings-error-quark" && e->code == NM_SETTINGS_ERROR_PERMISSION_DENIED;
    const bool managerDenied =
        domain == "nm-manager-error-quark" && e->code == NM_MANAGER_ERROR_PERMISSION_DENIED;
    if (remoteName.find("PermissionDenied") != std::string::npos ||
        remoteName.find("AccessDenied") != std::string::npos || settingsDenied || managerDenied)
        return "没有权限修改网络设置：需要管理员授权，请以有权限的用户运行或在弹出的授权窗口中确认。";
    return what + "失败：" + message;
}

}  // namespace

bool parseIpv4(std::string_view text, std::uint32_t& out) {
    const std::string s = trim(text);
    std::uint32_t value = 0;
    int parts = 0;
    std::size_t i = 0;
    while (i <= s.size()) {
        std::size_t j = i;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
        if (j == i || j - i > 3) return false;
        if (j - i > 1 && s[i] == '0') return false;  // "01" reads as octal elsewhere: refused
        const int part = std::atoi(s.substr(i, j - i).c_str());
        if (part > 255) return false;
        value = value << 8 | static_cast<std::uint32_t>(part);
        ++parts;
        if (j == s.size()) break;
        if (s[j] != '.' || parts == 4) return false;
        i = j + 1;
    }
    if (parts != 4) return false;
    out = value;
    return true;
}

std::string formatIpv4(std::uint32_t a) {
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 255) + "." +
           std::to_string((a >> 8) & 255) + "." + std::to_string(a & 255);
}

int prefixOfMask(std::string_view raw) {
    std::string mask = trim(raw);
    if (!mask.empty() && mask.front() == '/') mask.erase(0, 1);
    if (!mask.empty() && mask.size() <= 2 && mask.find_first_not_of("0123456789") == std::string::npos) {
        const int n = std::atoi(mask.c_str());
        return n >= 1 && n <= 32 ? n : -1;
    }
    std::uint32_t m = 0;
    if (!parseIpv4(mask, m) || m == 0) return -1;
    const std::uint32_t inverted = ~m;
    if ((inverted & (inverted + 1)) != 0) return -1;  // ones must come first, then only zeros
    int n = 0;
    while (m & 0x80000000u) {
        ++n;
        m <<= 1;
    }
    return n;
}

std::string checkProfile(const Profile& p) {
    if (trim(p.name).empty()) return "请填写方案名称。";
    for (const std::string& d : p.dns) {
        std::uint32_t a = 0;
        if (!parseIpv4(d, a)) return "DNS 服务器“" + d + "”不是有效的 IPv4 地址。";
    }
    if (p.dhcp) return {};
    std::uint32_t address = 0, gateway = 0;
    if (trim(p.address).empty()) return "请填写 IP 地址，或选择自动获取（DHCP）。";
    if (!parseIpv4(p.address, address))
        return "IP 地址“" + p.address + "”无效：应为四个 0–255 的数字，用点隔开。";
    const int prefix = prefixOfMask(p.mask);
    if (prefix < 0) return "子网掩码“" + p.mask + "”无效：例如 255.255.255.0 或 24。";
    const std::uint32_t mask = prefix == 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> prefix);
    const std::uint32_t first = address >> 24;
    if (first == 0 || first == 127 || first >= 224) return "IP 地址“" + p.address + "”不能用作本机地址。";
    if (prefix < 31 && ((address & ~mask) == 0 || (address & ~mask) == ~mask))
        return "IP 地址“" + p.address + "”是该子网的网络地址或广播地址，不能使用。";
    if (!trim(p.gateway).empty()) {
        if (!parseIpv4(p.gateway, gateway)) return "网关“" + p.gateway + "”不是有效的 IPv4 地址。";
        if ((gateway & mask) != (address & mask))
            return "网关 " + p.gateway + " 不在 " + formatIpv4(address & mask) + "/" +
                   std::to_string(prefix) + " 子网内。";
        if (gateway == address) return "网关不能与本机 IP 地址相同。";
    }
    return {};
}

std::string profilesPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string base = config && config[0] == '/' ? config : std::string(home ? home : "") + "/.config";
    return base + "/quorvex/ip-profiles.ini";
}

std::vector<Profile> loadProfiles(const std::string& path) {
    QSettings s(QString::fromStdString(path), QSettings::IniFormat);
    std::vector<Profile> out;
    // The count comes from the file: a damaged one must not make us read millions of entries.
    const int n = std::min(s.beginReadArray(QStringLiteral("profiles")), kMaxProfiles);
    for (int i = 0; i < n; ++i) {
        s.setArrayIndex(i);
        Profile p;
        p.name = s.value(QStringLiteral("name")).toString().toStdString();
        p.dhcp = s.value(QStringLiteral("dhcp")).toBool();
        p.address = s.value(QStringLiteral("address")).toString().toStdString();
        p.mask = s.value(QStringLiteral("mask")).toString().toStdString();
        p.gateway = s.value(QStringLiteral("gateway")).toString().toStdString();
        for (const QString& d : s.value(QStringLiteral("dns")).toStringList())
            if (!d.trimmed().isEmpty()) p.dns.push_back(d.trimmed().toStdString());
        if (!trim(p.name).empty()) out.push_back(std::move(p));
    }
    s.endArray();
    return out;
}

std::string saveProfiles(const std::string& path, const std::vector<Profile>& profiles) {
    QSettings s(QString::fromStdString(path), QSettings::IniFormat);
    s.remove(QStringLiteral("profiles"));
    s.beginWriteArray(QStringLiteral("profiles"), static_cast<int>(profiles.size()));
    for (int i = 0; i < static_cast<int>(profiles.size()); ++i) {
        const Profile& p = profiles[i];
        s.setArrayIndex(i);
        s.setValue(QStringLiteral("name"), QString::fromStdString(p.name));
        s.setValue(QStringLiteral("dhcp"), p.dhcp);
        s.setValue(QStringLiteral("address"), QString::fromStdString(p.address));
        s.setValue(QStringLiteral("mask"), QString::fromStdString(p.mask));
        s.setValue(QStringLiteral("gateway"), QString::fromStdString(p.gateway));
        QStringList dns;
        for (const std::string& d : p.dns) dns << QString::fromStdString(d);
        s.setValue(QStringLiteral("dns"), dns);
    }
    s.endArray();
    s.sync();
    if (s.status() != QSettings::NoError) return "无法保存方案到 " + path + "。";
    return {};
}

std::vector<Interface> listInterfaces(const std::string& routeFile) {
    std::map<std::string, Interface> byName;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (ifaddrs* a = list; a; a = a->ifa_next) {
            if (!a->ifa_name) continue;
            Interface& i = byName[a->ifa_name];
            i.name = a->ifa_name;
            i.up = (a->ifa_flags & IFF_UP) != 0;
            if (!a->ifa_addr) continue;
            if (a->ifa_addr->sa_family == AF_INET) {
                const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
                int prefix = 0;
                if (a->ifa_netmask)
                    prefix = prefixOfMask(formatIpv4(
                        ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr)));
                i.addresses.push_back(formatIpv4(ntohl(in->sin_addr.s_addr)) + "/" +
                                      std::to_string(std::max(prefix, 0)));
            } else if (a->ifa_addr->sa_family == AF_PACKET) {
                const auto* ll = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
                char mac[32] = {};
                if (ll->sll_halen == 6)
                    std::snprintf(mac, sizeof mac, "%02x:%02x:%02x:%02x:%02x:%02x", ll->sll_addr[0],
                                  ll->sll_addr[1], ll->sll_addr[2], ll->sll_addr[3], ll->sll_addr[4],
                                  ll->sll_addr[5]);
                i.mac = mac;
            }
        }
        freeifaddrs(list);
    }
    // Default routes: destination 00000000, the gateway in little-endian hex.
    std::ifstream routes(routeFile);
    std::string line;
    std::getline(routes, line);  // the header
    while (std::getline(routes, line)) {
        std::istringstream in(line);
        std::string name, destination, gateway;
        if (!(in >> name >> destination >> gateway) || destination != "00000000" || !byName.count(name))
            continue;
        const std::uint32_t g = static_cast<std::uint32_t>(std::strtoul(gateway.c_str(), nullptr, 16));
        if (g != 0 && byName[name].gateway.empty()) byName[name].gateway = formatIpv4(ntohl(g));
    }
    std::vector<Interface> out;
    for (auto& [name, i] : byName) out.push_back(std::move(i));
    return out;
}

std::vector<std::string> systemDns(const std::string& resolvConf) {
    std::vector<std::string> out;
    std::ifstream in(resolvConf);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string key, value;
        if (words >> key >> value && key == "nameserver") out.push_back(value);
    }
    return out;
}

// ---- NetworkManager ----

struct NetworkManager::State {
    GMainContext* context = nullptr;
    NMClient* client = nullptr;
};

namespace {

struct Wait {
    bool done = false;
    GError* error = nullptr;
    GObject* object = nullptr;
};

// Runs the private main context until the asynchronous call has answered.
void waitFor(GMainContext* context, Wait& w) {
    while (!w.done) g_main_context_iteration(context, TRUE);
}

}  // namespace

NetworkManager::NetworkManager() : s_(new State) {
    s_->context = g_main_context_new();
    g_main_context_push_thread_default(s_->context);
    GError* error = nullptr;
    s_->client = nm_client_new(nullptr, &error);
    g_main_context_pop_thread_default(s_->context);
    if (!s_->client) {
        error_ =
            "没有找到 NetworkManager（无法连接到系统 D-Bus），无法修改网络设置。请确认 NetworkManager "
            "正在运行。";
        if (error) g_error_free(error);
        return;
    }
    if (!nm_client_get_nm_running(s_->client))
        error_ = "NetworkManager 没有运行，无法修改网络设置。请先启动 NetworkManager。";
}

NetworkManager::~NetworkManager() {
    if (s_->client) {
        g_main_context_push_thread_default(s_->context);
        g_object_unref(s_->client);
        while (g_main_context_iteration(s_->context, FALSE)) {
        }
        g_main_context_pop_thread_default(s_->context);
    }
    g_main_context_unref(s_->context);
    delete s_;
}

std::vector<Connection> NetworkManager::connections() {
    std::vector<Connection> out;
    if (!ok()) return out;
    std::map<std::string, std::string> activeOn;
    const GPtrArray* active = nm_client_get_active_connections(s_->client);
    for (guint i = 0; active && i < active->len; ++i) {
        auto* ac = static_cast<NMActiveConnection*>(g_ptr_array_index(active, i));
        const GPtrArray* devices = nm_active_connection_get_devices(ac);
        const char* uuid = nm_active_connection_get_uuid(ac);
        if (uuid && devices && devices->len > 0)
            activeOn[uuid] = nm_device_get_iface(static_cast<NMDevice*>(g_ptr_array_index(devices, 0)));
    }
    const GPtrArray* all = nm_client_get_connections(s_->client);
    for (guint i = 0; all && i < all->len; ++i) {
        auto* c = static_cast<NMConnection*>(g_ptr_array_index(all, i));
        const char* type = nm_connection_get_connection_type(c);
        if (!type || (std::string(type) != NM_SETTING_WIRED_SETTING_NAME &&
                      std::string(type) != NM_SETTING_WIRELESS_SETTING_NAME))
            continue;
        Connection k{nm_connection_get_id(c) ? nm_connection_get_id(c) : "",
                     nm_connection_get_uuid(c) ? nm_connection_get_uuid(c) : "",
                     type,
                     {}};
        if (activeOn.count(k.uuid)) k.device = activeOn[k.uuid];
        out.push_back(std::move(k));
    }
    return out;
}

std::string NetworkManager::apply(const std::string& uuid, const Profile& p) {
    if (!ok()) return error_;
    if (const std::string problem = checkProfile(p); !problem.empty()) return problem;
    NMRemoteConnection* remote = nm_client_get_connection_by_uuid(s_->client, uuid.c_str());
    if (!remote) return "找不到所选的网络连接，它可能已被删除。";

    NMConnection* copy = nm_simple_connection_new_clone(NM_CONNECTION(remote));
    NMSettingIPConfig* ip4 = nm_connection_get_setting_ip4_config(copy);
    if (!ip4) {
        ip4 = NM_SETTING_IP_CONFIG(nm_setting_ip4_config_new());
        nm_connection_add_setting(copy, NM_SETTING(ip4));
    }
    nm_setting_ip_config_clear_addresses(ip4);
    nm_setting_ip_config_clear_dns(ip4);
    g_object_set(ip4, NM_SETTING_IP_CONFIG_GATEWAY, nullptr, nullptr);
    if (p.dhcp) {
        g_object_set(ip4, NM_SETTING_IP_CONFIG_METHOD, NM_SETTING_IP4_CONFIG_METHOD_AUTO, nullptr);
    } else {
        g_object_set(ip4, NM_SETTING_IP_CONFIG_METHOD, NM_SETTING_IP4_CONFIG_METHOD_MANUAL, nullptr);
        GError* error = nullptr;
        NMIPAddress* address = nm_ip_address_new(AF_INET, trim(p.address).c_str(),
                                                 static_cast<guint>(prefixOfMask(p.mask)), &error);
        if (!address) {
            std::string why = "IP 地址无效：" + std::string(error ? error->message : "");
            if (error) g_error_free(error);
            g_object_unref(copy);
            return why;
        }
        nm_setting_ip_config_add_address(ip4, address);
        nm_ip_address_unref(address);
        if (!trim(p.gateway).empty())
            g_object_set(ip4, NM_SETTING_IP_CONFIG_GATEWAY, trim(p.gateway).c_str(), nullptr);
    }
    for (const std::string& d : p.dns) nm_setting_ip_config_add_dns(ip4, trim(d).c_str());
    // With DNS given, the addresses DHCP offers are not added to them.
    g_object_set(ip4, NM_SETTING_IP_CONFIG_IGNORE_AUTO_DNS, p.dhcp && !p.dns.empty(), nullptr);

    g_main_context_push_thread_default(s_->context);
    Wait saved;
    GVariant* settings = nm_connection_to_dbus(copy, NM_CONNECTION_SERIALIZE_ALL);
    nm_remote_connection_update2(
        remote, settings, NM_SETTINGS_UPDATE2_FLAG_TO_DISK, nullptr, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* w = static_cast<Wait*>(data);
            GVariant* r =
                nm_remote_connection_update2_finish(NM_REMOTE_CONNECTION(source), result, &w->error);
            if (r) g_variant_unref(r);
            w->done = true;
        },
        &saved);
    waitFor(s_->context, saved);
    std::string outcome;
    if (saved.error) {
        outcome = permissionOrMessage(saved.error, "保存连接设置");
        g_error_free(saved.error);
    } else {
        Wait activated;
        nm_client_activate_connection_async(
            s_->client, NM_CONNECTION(remote), nullptr, nullptr, nullptr,
            [](GObject* source, GAsyncResult* result, gpointer data) {
                auto* w = static_cast<Wait*>(data);
                NMActiveConnection* ac =
                    nm_client_activate_connection_finish(NM_CLIENT(source), result, &w->error);
                if (ac) g_object_unref(ac);
                w->done = true;
            },
            &activated);
        waitFor(s_->context, activated);
        if (activated.error) {
            outcome = permissionOrMessage(activated.error, "设置已保存，但重新激活连接");
            g_error_free(activated.error);
        }
    }
    g_main_context_pop_thread_default(s_->context);
    g_object_unref(copy);
    return outcome;
}

}  // namespace qx::ipswitch
