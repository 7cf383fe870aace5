// For trying the resource editor by hand: `qx_pe_sample make FILE.exe [FILE.ico]` writes a small
// PE with a version resource, a red icon group and some data (and an .ico of a blue and a green
// picture to replace the icon with); `qx_pe_sample show FILE.exe` prints what our own reader and
// LIEF find in it: the version strings and each icon group's pictures with their centre colour.
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <cstdio>
#include <fstream>

#include "common/PeEditor.h"
#include "common/PeResources.h"
#include "support/PeBuilder.h"

using namespace qx::tools;
using qx::test::PeBuilder;

namespace {

void show(const char* reader, const std::vector<PeResource>& all) {
    std::printf("[%s] %zu resources\n", reader, all.size());
    for (const PeResource& r : all) {
        if (r.type == kRtVersion) {
            VersionInfo v;
            if (!parseVersionInfo(r.data, v)) continue;
            std::printf("  version %s:", v.fileVersion.c_str());
            for (const auto& [key, value] : v.strings) std::printf(" %s=%s", key.c_str(), value.c_str());
            std::printf("\n");
        }
        std::vector<GroupIconEntry> group;
        if (r.type != kRtGroupIcon || !parseGroupIcon(r.data, group)) continue;
        std::printf("  icon group %s:", resourceLabel(r).c_str());
        for (const GroupIconEntry& e : group) {
            const PeResource* icon = findResource(all, kRtIcon, e.iconId);
            QImage image;
            if (icon) {
                const std::string ico = singleIco(e, icon->data);
                QByteArray bytes(ico.data(), static_cast<qsizetype>(ico.size()));
                QBuffer buffer(&bytes);
                buffer.open(QIODevice::ReadOnly);
                image = QImageReader(&buffer, "ico").read();
            }
            std::printf(
                " #%u %dx%d %s", e.iconId, image.width(), image.height(),
                image.isNull()
                    ? "?"
                    : image.pixelColor(image.width() / 2, image.height() / 2).name().toUtf8().constData());
        }
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "make") {
        PeBuilder pe;
        const std::string red = PeBuilder::dibIcon(32, 0xFFFF0000);
        pe.add(kRtIcon, 1, 0x804, red);
        pe.add(kRtGroupIcon, 1, 0x804,
               PeBuilder::groupIcon({{32, 32, 32, static_cast<std::uint32_t>(red.size()), 1}}));
        pe.add(
            kRtVersion, 1, 0x804,
            PeBuilder::versionInfo(
                1, 0, 0, 0,
                {{u"CompanyName", u"Quorvex"}, {u"ProductName", u"样例程序"}, {u"FileVersion", u"1.0.0.0"}}));
        pe.add(kRtManifest, 1, 0x409, "<assembly manifestVersion=\"1.0\"/>");
        std::ofstream(argv[2], std::ios::binary) << pe.build();
        if (argc >= 4) {
            const std::string blue = PeBuilder::dibIcon(48, 0xFF0000FF),
                              green = PeBuilder::dibIcon(16, 0xFF00FF00);
            GroupIconEntry a = describeIconImage(blue), b = describeIconImage(green);
            a.iconId = 1;
            b.iconId = 2;
            std::ofstream(argv[3], std::ios::binary)
                << buildIco({a, b}, [&](std::uint16_t id) { return id == 1 ? &blue : &green; });
        }
        return 0;
    }
    if (argc >= 3 && std::string(argv[1]) == "show") {
        std::string image, error;
        std::vector<PeResource> ours;
        if (!loadForEditing(argv[2], image, ours, error)) {
            std::printf("[ours] %s\n", error.c_str());
            return 1;
        }
        show("ours", ours);
        ExecutableInfo lief;
        if (!readExecutable(argv[2], lief, error)) {
            std::printf("[LIEF] %s\n", error.c_str());
            return 1;
        }
        show("LIEF", lief.resources);
        return 0;
    }
    std::fprintf(stderr, "usage: qx_pe_sample make FILE.exe [FILE.ico] | show FILE.exe\n");
    return 2;
}
