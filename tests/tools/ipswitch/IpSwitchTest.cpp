// The address switcher's core: profiles checked before anything is applied, kept in the
// config folder, the interfaces of the system, and the message without NetworkManager.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ipswitch/IpSwitch.h"

namespace fs = std::filesystem;
using namespace qx::ipswitch;

TEST(IpSwitch, ProfilesAreCheckedBeforeAnythingIsApplied) {
    struct Case {
        Profile profile;
        std::string problem;
    };
    auto p = [](std::string address, std::string mask, std::string gateway,
                std::vector<std::string> dns = {}) {
        return Profile{"办公室",           false,         std::move(address), std::move(mask),
                       std::move(gateway), std::move(dns)};
    };
    const Case cases[] = {
        {p("192.168.1.20", "255.255.255.0", "192.168.1.1", {"223.5.5.5", "8.8.8.8"}), ""},
        {p("10.0.0.5", "8", ""), ""},
        {p("10.0.0.5", "/16", "10.0.255.254"), ""},
        {Profile{"家里", true, "", "", "", {}}, ""},
        {Profile{"家里", true, "999.1.1.1", "x", "y", {"1.1.1.1"}},
         ""},  // DHCP: the static fields are not used
        {Profile{"", true, "", "", "", {}}, "请填写方案名称。"},
        {p("999.1.1.1", "255.255.255.0", ""), "IP 地址“999.1.1.1”无效：应为四个 0–255 的数字，用点隔开。"},
        {p("192.168.1", "24", ""), "IP 地址“192.168.1”无效：应为四个 0–255 的数字，用点隔开。"},
        {p("192.168.01.2", "24", ""), "IP 地址“192.168.01.2”无效：应为四个 0–255 的数字，用点隔开。"},
        {p("1.2.3.4.5", "24", ""), "IP 地址“1.2.3.4.5”无效：应为四个 0–255 的数字，用点隔开。"},
        {p("", "24", ""), "请填写 IP 地址，或选择自动获取（DHCP）。"},
        {p("192.168.1.20", "255.0.255.0", ""), "子网掩码“255.0.255.0”无效：例如 255.255.255.0 或 24。"},
        {p("192.168.1.20", "33", ""), "子网掩码“33”无效：例如 255.255.255.0 或 24。"},
        {p("192.168.1.20", "", ""), "子网掩码“”无效：例如 255.255.255.0 或 24。"},
        {p("192.168.1.20", "24", "192.168.2.1"), "网关 192.168.2.1 不在 192.168.1.0/24 子网内。"},
        {p("192.168.1.20", "24", "192.168.1.20"), "网关不能与本机 IP 地址相同。"},
        {p("192.168.1.20", "24", "gateway"), "网关“gateway”不是有效的 IPv4 地址。"},
        {p("192.168.1.0", "24", ""), "IP 地址“192.168.1.0”是该子网的网络地址或广播地址，不能使用。"},
        {p("192.168.1.255", "24", ""), "IP 地址“192.168.1.255”是该子网的网络地址或广播地址，不能使用。"},
        {p("127.0.0.2", "8", ""), "IP 地址“127.0.0.2”不能用作本机地址。"},
        {p("224.0.0.1", "24", ""), "IP 地址“224.0.0.1”不能用作本机地址。"},
        {p("192.168.1.20", "24", "", {"8.8.8"}), "DNS 服务器“8.8.8”不是有效的 IPv4 地址。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile.address + " " + c.profile.mask + " " + c.profile.gateway);
        EXPECT_EQ(checkProfile(c.profile), c.problem);
    }
    EXPECT_EQ(prefixOfMask("255.255.255.252"), 30);
    EXPECT_EQ(prefixOfMask("255.255.255.255"), 32);
    EXPECT_EQ(prefixOfMask("0.0.0.0"), -1);
    std::uint32_t a = 0;
    EXPECT_TRUE(parseIpv4(" 10.1.2.3 ", a));
    EXPECT_EQ(formatIpv4(a), "10.1.2.3");
    EXPECT_FALSE(parseIpv4("1..2.3", a));
    EXPECT_FALSE(parseIpv4("1.2.3.4.", a));
    EXPECT_FALSE(parseIpv4("-1.2.3.4", a));
}

TEST(IpSwitch, ProfilesAreKeptInTheConfigFolder) {
    const fs::path dir = fs::temp_directory_path() / ("qx_ip 配置_" + std::to_string(getpid()));
    fs::remove_all(dir);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    const std::string path = profilesPath();
    EXPECT_EQ(path, (dir / "quorvex" / "ip-profiles.ini").string());
    EXPECT_TRUE(loadProfiles(path).empty());
    const std::vector<Profile> saved = {
        {"办公室 A", false, "192.168.1.20", "255.255.255.0", "192.168.1.1", {"223.5.5.5", "8.8.8.8"}},
        {"家里=\"x\"", true, "", "", "", {}}};
    ASSERT_EQ(saveProfiles(path, saved), "");
    const std::vector<Profile> back = loadProfiles(path);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].name, "办公室 A");
    EXPECT_EQ(back[0].dns, saved[0].dns);
    EXPECT_EQ(back[0].gateway, "192.168.1.1");
    EXPECT_EQ(back[1].name, "家里=\"x\"");
    EXPECT_TRUE(back[1].dhcp);
    ASSERT_EQ(saveProfiles(path, {saved[1]}), "");
    EXPECT_EQ(loadProfiles(path).size(), 1u);
    // A damaged file gives no profiles and no crash.
    std::ofstream(path) << "[profiles\n\x01\x02 garbage = = =\nsize=9999999\n";
    EXPECT_LE(loadProfiles(path).size(), 1u);
    fs::remove_all(dir);
    unsetenv("XDG_CONFIG_HOME");
}

TEST(IpSwitch, InterfacesOfTheSystem) {
    const fs::path routes = fs::temp_directory_path() / ("qx_routes_" + std::to_string(getpid()));
    std::ofstream(routes) << "Iface\tDestination\tGateway \tFlags\n"
                             "lo\t0000FEA9\t00000000\t0001\n"
                             "lo\t00000000\t0101A8C0\t0003\n"
                             "nosuch\t00000000\t01010101\t0003\n";
    bool found = false;
    for (const Interface& i : listInterfaces(routes.string())) {
        if (i.name != "lo") continue;
        found = true;
        EXPECT_TRUE(i.up);
        EXPECT_NE(std::find(i.addresses.begin(), i.addresses.end(), "127.0.0.1/8"), i.addresses.end());
        EXPECT_EQ(i.gateway, "192.168.1.1");
    }
    EXPECT_TRUE(found);
    std::ofstream(routes) << "# comment\nnameserver 223.5.5.5\nsearch lan\nnameserver  8.8.8.8 \n";
    EXPECT_EQ(systemDns(routes.string()), (std::vector<std::string>{"223.5.5.5", "8.8.8.8"}));
    fs::remove(routes);
}

TEST(IpSwitch, WithoutNetworkManagerItSaysSo) {
    // No system bus at all: what a machine without NetworkManager looks like to libnm.
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/quorvex-test-bus", 1);
    NetworkManager nm;
    EXPECT_FALSE(nm.ok());
    EXPECT_EQ(nm.error(),
              "没有找到 NetworkManager（无法连接到系统 D-Bus），无法修改网络设置。请确认 NetworkManager "
              "正在运行。");
    EXPECT_TRUE(nm.connections().empty());
    EXPECT_EQ(nm.apply("some-uuid", Profile{"x", true, "", "", "", {}}), nm.error());
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}
