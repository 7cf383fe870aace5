// The window model: initial state from the layouts, notifications, radio groups, events, and
// concurrent writers (this suite also runs under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <set>
#include <thread>

#include "support/SampleLayout.h"
#include "text/CodePages.h"
#include "ui/Window.h"

using namespace qx;
using namespace qx::ui;

namespace {

const WindowLayout& sample() { return qx::test::sampleLayout(); }

struct CountingObserver : WindowObserver {
    std::atomic<int> count{0};
    std::mutex mutex;
    std::vector<std::pair<std::string, Prop>> seen;
    void propertyChanged(const std::string& control, Prop prop) override {
        ++count;
        std::lock_guard lock(mutex);
        seen.emplace_back(control, prop);
    }
};

}  // namespace

TEST(WindowModel, StartsFromTheLayout) {
    auto w = Window::create(sample());
    ASSERT_TRUE(w);
    EXPECT_EQ(w->width(), 420);
    EXPECT_EQ(w->height(), 360);
    EXPECT_EQ(w->left(), 50);
    EXPECT_EQ(w->title(), gbk(u8"样例窗口"));
    EXPECT_EQ(w->control("标签EX1").caption(), gbk(u8"标题："));
    EXPECT_EQ(w->control("按钮EX2").left(), 16);
    EXPECT_EQ(w->control("按钮EX2").width(), 263);
    EXPECT_FALSE(w->control("编辑框EX_隐藏").visible());
    EXPECT_TRUE(w->control("标签EX2").visible());
    EXPECT_EQ(w->skinElement().name(), "样例UI");
}

TEST(WindowModel, NotifiesOnlyChanges) {
    auto w = Window::create(sample());
    auto o = std::make_shared<CountingObserver>();
    w->setObserver(o);
    Control label = w->control("标签EX1");
    label.setCaption(label.caption());  // same value
    EXPECT_EQ(o->count, 0);
    label.setCaption(gbk(u8"新"));
    label.setAlpha(400);
    EXPECT_EQ(label.alpha(), 255);  // clamped, and unchanged
    label.setAlpha(-3);
    EXPECT_EQ(label.alpha(), 0);
    w->setWidth(500);
    EXPECT_EQ(o->count, 3);
    ASSERT_EQ(o->seen.size(), 3u);
    EXPECT_EQ(o->seen[0], std::make_pair(std::string("标签EX1"), Prop::Caption));
    EXPECT_EQ(o->seen[2], std::make_pair(std::string(), Prop::Geometry));
    EXPECT_EQ(w->width(), 500);
    EXPECT_EQ(w->height(), 360);
}

TEST(WindowModel, ViewWritesDoNotEcho) {
    auto w = Window::create(sample());
    auto o = std::make_shared<CountingObserver>();
    w->setObserver(o);
    w->control("编辑框EX_单行").storeTextFromView("abc");
    w->storePositionFromView(300, 200);
    w->storeWindowStateFromView(WindowState::Minimised);
    EXPECT_EQ(o->count, 0);
    EXPECT_EQ(w->control("编辑框EX_单行").text(), "abc");
    EXPECT_EQ(w->left(), 300);
    EXPECT_EQ(w->windowState(), WindowState::Minimised);
    // A later program write of the width keeps the position the user dragged to.
    w->setWidth(400);
    EXPECT_EQ(w->left(), 300);
    EXPECT_EQ(w->top(), 200);
}

TEST(WindowModel, RadioButtonsOfAContainerExcludeEachOther) {
    auto w = Window::create(sample());
    auto o = std::make_shared<CountingObserver>();
    w->setObserver(o);
    w->control("单选框EX1").setChecked(true);
    w->control("单选框EX3").setChecked(true);
    EXPECT_FALSE(w->control("单选框EX1").checked());
    EXPECT_FALSE(w->control("单选框EX2").checked());
    EXPECT_TRUE(w->control("单选框EX3").checked());
    EXPECT_EQ(o->count, 3);  // EX1 on, EX1 off, EX3 on
    w->control("单选框EX2").storeCheckedFromView(true);
    EXPECT_FALSE(w->control("单选框EX3").checked());
    // Check boxes are independent.
    auto t = Window::create(sample());
    t->control("选择框EX1").setChecked(true);
    t->control("选择框EX2").setChecked(true);
    EXPECT_TRUE(t->control("选择框EX1").checked());
    t->control("单选框EX2").setChecked(true);
    EXPECT_TRUE(t->control("选择框EX2").checked());
}

TEST(WindowModel, EventsRunTheirHandlersUntilDestroyed) {
    auto w = Window::create(sample());
    int clicks = 0, ticks = 0, created = 0;
    w->onClick("按钮EX2", [&] { ++clicks; });
    w->onTimer("按钮EX2", [&] { ++ticks; });
    w->onCreated([&] { created += 1; });
    w->onCreated([&] { created += 10; });
    w->created();
    EXPECT_EQ(created, 11);
    EXPECT_TRUE(w->click("按钮EX2"));
    EXPECT_FALSE(w->click("按钮EX1"));  // no handler
    EXPECT_TRUE(w->timerTick("按钮EX2"));
    w->markDestroyed();
    EXPECT_FALSE(w->click("按钮EX2"));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(ticks, 1);
    // A late worker still writes into the model of a destroyed window.
    w->control("编辑框EX_单行").setText("1");
    EXPECT_EQ(w->control("编辑框EX_单行").text(), "1");
}

// A view reads the head of a long text; the text stays whole. A write of the same text again,
// copied or moved in, tells the view nothing.
TEST(WindowModel, TextHeadAndWholeText) {
    auto w = Window::create(sample());
    struct Count : WindowObserver {
        int texts = 0;
        void propertyChanged(const std::string&, Prop prop) override { texts += prop == Prop::Text; }
    };
    auto count = std::make_shared<Count>();
    w->setObserver(count);
    Control box = w->control("编辑框EX_多行");
    const Text whole = Text(1000, 'a') + Text(1000, 'b');
    box.setText(whole);
    std::size_t size = 0;
    EXPECT_EQ(box.textHead(1000, size), Text(1000, 'a'));
    EXPECT_EQ(size, 2000u);
    EXPECT_EQ(box.textHead(5000, size), whole);
    EXPECT_EQ(box.text(), whole);
    box.setText(Text(whole));
    box.setText(whole);
    EXPECT_EQ(count->texts, 1);
    box.setText("");
    EXPECT_EQ(box.textHead(10, size), "");
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(count->texts, 2);
    w->setObserver(nullptr);
}

TEST(WindowModel, HandlerCapturingItsWindowIsReleasedOnDestroy) {
    std::weak_ptr<Window> weak;
    {
        auto w = Window::create(sample());
        w->onClick("按钮EX1", [w] { w->markDestroyed(); });
        weak = w;
        w->click("按钮EX1");
    }
    EXPECT_TRUE(weak.expired());
}

// Several workers write while a reader reads and a view-like observer queues every change to
// its own "UI thread", which applies the model's current value, as the Qt view does.
TEST(WindowModel, ConcurrentWritersReadersAndAQueuedView) {
    auto w = Window::create(sample());

    struct QueuedView : WindowObserver {
        std::mutex mutex;
        std::condition_variable cv;
        std::deque<std::pair<std::string, Prop>> queue;
        std::atomic<int> notifications{0};
        bool stop = false;
        void propertyChanged(const std::string& control, Prop prop) override {
            ++notifications;
            std::lock_guard lock(mutex);
            queue.emplace_back(control, prop);
            cv.notify_one();
        }
    };
    auto view = std::make_shared<QueuedView>();
    w->setObserver(view);

    std::map<std::string, Text> shown;  // what the "view" shows, touched only by its thread
    std::thread ui([&] {
        std::unique_lock lock(view->mutex);
        for (;;) {
            view->cv.wait(lock, [&] { return view->stop || !view->queue.empty(); });
            if (view->queue.empty() && view->stop) return;
            auto [name, prop] = view->queue.front();
            view->queue.pop_front();
            lock.unlock();
            Control c = w->control(name);
            if (prop == Prop::Caption) shown[name] = c.caption();
            if (prop == Prop::Text) shown[name] = c.text();
            lock.lock();
        }
    });

    constexpr int kWrites = 500;
    const std::vector<std::string> labels = {"标签EX1", "标签EX2", "标签EX3"};
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < labels.size(); ++t) {
        workers.emplace_back([&, t] {
            Control c = w->control(labels[t]);
            for (int i = 0; i < kWrites; ++i) {
                c.setCaption("v" + std::to_string(i));  // each write changes the value
                c.setAlpha(i % 2 ? 10 : 20);
            }
        });
    }
    workers.emplace_back([&] {
        Control c = w->control("编辑框EX_多行");
        for (int i = 0; i < kWrites; ++i) c.setText(Text(100 + i % 7, 'x'));
    });
    std::atomic<bool> done{false};
    std::thread reader([&] {
        Control c = w->control("标签EX3");
        Control e = w->control("编辑框EX_多行");
        while (!done) {
            Text caption = c.caption();
            ASSERT_TRUE(caption.empty() || caption[0] == 'v');
            Text text = e.text();
            ASSERT_TRUE(text.empty() || text.size() >= 100) << "a torn value";
            ControlState s = c.snapshot();
            ASSERT_TRUE(s.alpha == 10 || s.alpha == 20 || s.alpha == 255);
        }
    });
    for (auto& t : workers) t.join();
    done = true;
    reader.join();
    {
        std::lock_guard lock(view->mutex);
        view->stop = true;
        view->cv.notify_one();
    }
    ui.join();

    int textWrites = 0;
    {
        Text last;
        for (int i = 0; i < kWrites; ++i) {
            Text v(100 + i % 7, 'x');
            if (v != last) ++textWrites;
            last = v;
        }
    }
    EXPECT_EQ(view->notifications, static_cast<int>(labels.size()) * kWrites * 2 + textWrites);
    for (auto& name : labels) EXPECT_EQ(shown[name], "v" + std::to_string(kWrites - 1)) << name;
    EXPECT_EQ(shown["编辑框EX_多行"], w->control("编辑框EX_多行").text());
}

TEST(WindowModel, WindowOutlivesItsViewAndEvents) {
    std::shared_ptr<Window> w = Window::create(sample());
    std::thread worker([keep = w] {
        for (int i = 0; i < 255; ++i) keep->control("图片框EX1").setAlpha(255 - i);
    });
    w->markDestroyed();
    w.reset();  // the worker holds the last reference
    worker.join();
}
