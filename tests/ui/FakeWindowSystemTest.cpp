// The scripted desktop itself, as later handler tests rely on it.
#include <gtest/gtest.h>

#include <thread>

#include "support/SampleLayout.h"
#include "support/fake/FakeWindowSystem.h"

using namespace qx;
using namespace qx::ui;
using qx::test::FakeWindowSystem;

TEST(FakeWindowSystem, AnswersInOrderThenDefaults) {
    FakeWindowSystem fake;
    auto w = Window::create(qx::test::sampleChildLayout());
    fake.queueAnswer(MessageAnswer::Yes);
    EXPECT_EQ(fake.messageBox(w.get(), "a", "", MessageStyle::YesNoQuestion), MessageAnswer::Yes);
    EXPECT_EQ(fake.messageBox(w.get(), "b", "t", MessageStyle::YesNoQuestion), MessageAnswer::No);
    std::thread worker([&] { fake.messageBox(nullptr, "c", "", MessageStyle::Ok); });
    worker.join();
    auto calls = fake.messages();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].owner, "SampleChildWindow");
    EXPECT_EQ(calls[1].title, "t");
    EXPECT_EQ(calls[2].owner, "");
    EXPECT_EQ(calls[2].style, MessageStyle::Ok);

    fake.queueFileAnswer("/tmp/x");
    FileDialogRequest r;
    r.filter = "*.mp3";
    EXPECT_EQ(fake.fileDialog(w.get(), r), "/tmp/x");
    EXPECT_EQ(fake.fileDialog(w.get(), r), "");
    EXPECT_EQ(fake.fileRequests().at(0).filter, "*.mp3");
    fake.setClipboardText("clip");
    EXPECT_EQ(fake.clipboardText(), "clip");
}

TEST(FakeWindowSystem, ModalChildRunsCreatedThenTheScriptThenCloses) {
    FakeWindowSystem fake;
    auto parent = Window::create(qx::test::sampleLayout());
    auto child = Window::create(qx::test::sampleChildLayout());
    std::vector<std::string> order;
    child->onCreated([&] { order.push_back("created"); });
    fake.whileOpen("SampleChildWindow", [&](const WindowPtr& c) {
        order.push_back("open");
        EXPECT_EQ(fake.openWindows().size(), 1u);
        EXPECT_FALSE(c->destroyed());
    });
    fake.openModal(child, parent);
    EXPECT_EQ(order, (std::vector<std::string>{"created", "open"}));
    EXPECT_TRUE(child->destroyed());
    EXPECT_EQ(fake.destroyedNames(), std::vector<std::string>{"SampleChildWindow"});
    ASSERT_EQ(fake.opened().size(), 1u);
    EXPECT_TRUE(fake.opened()[0].modal);
    EXPECT_EQ(fake.opened()[0].parent, "SampleWindow");
    EXPECT_EQ(fake.lastOpened("SampleChildWindow"), child);
}

TEST(FakeWindowSystem, EndProcessIsRecordedAndUnwinds) {
    FakeWindowSystem fake;
    int seen = -1;
    fake.onEndProcess([&](int code) { seen = code; });
    EXPECT_THROW(fake.endProcess(3), qx::test::ProcessEnded);
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(fake.endCode(), 3);
}
