// Runs the program's real start-up and Qt view on an X display (Xvfb), walks through the main
// window's three pages and the nine child windows by clicking through the model, and grabs
// each window from the screen with ImageMagick's `import`. Each picture is checked for content
// (not blank); at the end the main window's close button ends the process, with a child
// window open: exit code 0 means every picture passed.
// Usage: qx_screenshot_driver <output folder>
#include <QApplication>
#include <QImage>
#include <QSet>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>

#include "state/ProgramState.h"
#include "app/StartUp.h"
#include "ui/qt/QtApplication.h"
#include "ui/qt/QtWindowSystem.h"

using namespace qx;
using namespace qx::app;

const char* quorvexVersionRecord();

namespace {

std::string outDir;
int failures = 0;

// A picture with content: many colours and not one flat tone.
bool hasContent(const QImage& img, int& colours) {
    QSet<QRgb> seen;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2) seen.insert(img.pixel(x, y) & 0xffffff);
    colours = static_cast<int>(seen.size());
    return colours >= 16;
}

void shoot(const ui::WindowPtr& w, const std::string& name) {
    const std::string file = outDir + "/" + name + ".png";
    const std::string cmd = "import -window root -crop " + std::to_string(w->width()) + "x" +
                            std::to_string(w->height()) + "+" + std::to_string(w->left()) + "+" +
                            std::to_string(w->top()) + " +repage '" + file + "'";
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "import failed for %s\n", name.c_str());
        ++failures;
        return;
    }
    int colours = 0;
    QImage img(QString::fromStdString(file));
    bool ok = !img.isNull() && img.size() == QSize(w->width(), w->height()) && hasContent(img, colours);
    std::printf("%s %s (%d colours)\n", ok ? "ok  " : "FAIL", file.c_str(), colours);
    if (!ok) ++failures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    // Start-up makes the program's folder current: keep the folder as given.
    outDir = std::filesystem::absolute(argv[1]).string();
    // Keeps the embedded version record referenced, as the program does.
    volatile const char* record = quorvexVersionRecord();
    (void)record;
    std::system(("mkdir -p '" + outDir + "'").c_str());
    static ProgramState state;
    initialiseProgramState(state);

    return ui::qt::runApplication(argc, argv, [](ui::WindowSystem& ws) {
        startUp(state, ws);
        auto& windows = static_cast<ui::qt::QtWindowSystem&>(ws);
        ui::WindowPtr main = windows.openWindows().front();
        auto top = [&windows] { return windows.openWindows().back(); };

        // One step per tick; a step that opens a modal window runs from its own single-shot
        // timer, so that this timer keeps ticking inside the modal loop.
        auto* steps = new std::deque<std::function<void()>>;
        auto openLater = [](ui::WindowPtr w, std::string button) {
            QTimer::singleShot(0, [w, button] { w->click(button); });
        };
        steps->push_back([=] { shoot(main, "main_page0"); });
        // With QT_IM_MODULE set, the desktop's input method reaches the edit boxes.
        steps->push_back([=] {
            const char* module = std::getenv("QT_IM_MODULE");
            if (!module || !*module) return;
            std::ifstream maps("/proc/self/maps");
            std::string all((std::istreambuf_iterator<char>(maps)), {});
            bool loaded = all.find(std::string("lib") + module + "platforminputcontextplugin.so") != std::string::npos;
            std::printf("%s input context %s\n", loaded ? "ok  " : "FAIL", module);
            if (!loaded) ++failures;
        });
        steps->push_back([=] { main->click("按钮EX5"); });
        steps->push_back([=] { shoot(main, "main_page1"); });
        steps->push_back([=] { main->click("按钮EX6"); });
        steps->push_back([=] { shoot(main, "main_page2"); });
        steps->push_back([=] { main->click("按钮EX3"); });
        const std::pair<const char*, const char*> children[] = {
            {"按钮EX4", "AboutWindow"},      {"按钮EX8", "ResolverWindow"},
            {"按钮EX14", "SiteIconWindow"},  {"按钮EX22", "RegexTesterWindow"},
            {"按钮EX18", "WebTesterWindow"}, {"按钮EX17", "EncoderWindow"},
            {"按钮EX16", "SpeechWindow"},    {"按钮EX24", "AvatarWindow"},
            {"按钮EX25", "SpeedTestWindow"},
        };
        for (auto [button, name] : children) {
            std::string b = button, n = name;
            steps->push_back([=] { openLater(main, b); });
            steps->push_back([=] {
                if (top()->name() != n) {
                    std::fprintf(stderr, "FAIL %s did not open\n", n.c_str());
                    ++failures;
                    return;
                }
                shoot(top(), n);
            });
            steps->push_back([=] {
                if (top()->name() == n) top()->click("按钮EX1");
            });
        }
        // The close button ends the process at once, with a child window still open.
        steps->push_back([=] { openLater(main, "按钮EX4"); });
        steps->push_back([=] {
            std::printf("%d failure(s)\n", failures);
            std::fflush(stdout);
            if (failures) std::_Exit(1);
            main->click("按钮EX1");
            std::_Exit(3);  // not reached when the close button works
        });

        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [steps] {
            if (steps->empty()) return;
            auto step = steps->front();
            steps->pop_front();
            step();
        });
        timer->start(300);
    });
}
