// The Qt view against the layouts and the model (QT_QPA_PLATFORM=offscreen).
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGraphicsOpacityEffect>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <algorithm>
#include <atomic>
#include <clocale>
#include <cstdio>
#include <map>
#include <thread>

#include "app/Windows.h"
#include "support/CommaLocale.h"
#include "text/CodePages.h"
#include "ui/Layout.h"
#include "ui/qt/GbkText.h"
#include "ui/qt/QtApplication.h"
#include "ui/qt/QtWindowSystem.h"
#include "ui/qt/Widgets.h"
#include "ui/qt/WindowView.h"

using namespace qx;
using namespace qx::ui;
using namespace qx::ui::qt;

namespace {

QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "qx_ui_qt_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* a = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* created = new QApplication(argc, argv);
        setUpApplication(*created);
        return created;
    }();
    return *a;
}

// Processes events until the condition holds or a generous limit passes.
template <typename F>
bool waitFor(F condition, int limitMs = 5000) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

ByteArray encode(const QImage& img, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(img.save(&buffer, format)) << format;
    return ByteArray(data.begin(), data.end());
}

class QtView : public ::testing::Test {
  protected:
    void SetUp() override { qtApp(); }
    void TearDown() override {
        for (auto& w : windows.openWindows()) windows.destroy(w);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    WindowView* open(const WindowPtr& w) {
        windows.openModeless(w);
        return windows.viewOf(w.get());
    }
    template <typename T>
    T* widget(WindowView* v, const std::string& name) {
        return dynamic_cast<T*>(v->controlWidget(name));
    }
    QtWindowSystem windows;
};

}  // namespace

TEST_F(QtView, EveryWindowsWidgetTreeMatchesItsLayout) {
    for (const WindowLayout* layout : qx::app::allWindowLayouts()) {
        const WindowLayout& l = *layout;
        SCOPED_TRACE(l.name);
        WindowPtr w = Window::create(l);
        WindowView* v = open(w);
        ASSERT_TRUE(v);
        EXPECT_EQ(v->size(), QSize(l.width, l.height));
        EXPECT_EQ(v->pos(), QPoint(l.x, l.y));
        EXPECT_TRUE(v->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(v->windowTitle().toStdString(), l.title);
        for (const ControlLayout& c : l.controls) {
            SCOPED_TRACE(c.name);
            if (c.kind == ControlKind::Timer) {
                EXPECT_TRUE(v->timer(c.name));
                continue;
            }
            QWidget* cw = v->controlWidget(c.name);
            if (c.kind == ControlKind::SkinElement) {
                EXPECT_EQ(cw, nullptr);
                continue;
            }
            ASSERT_TRUE(cw);
            EXPECT_EQ(cw->objectName().toStdString(), c.name);
            EXPECT_EQ(cw->geometry(), QRect(c.x, c.y, c.width, c.height));
            EXPECT_EQ(cw->isHidden(), !c.visible);
            QWidget* expectedParent = v;
            if (!c.container.empty()) {
                expectedParent = v->controlWidget(c.container);
                if (auto* tabs = dynamic_cast<TabControl*>(expectedParent))
                    expectedParent = tabs->page(c.page);
            }
            EXPECT_EQ(cw->parentWidget(), expectedParent);
            switch (c.kind) {
                case ControlKind::Button:
                case ControlKind::CloseButton:
                    ASSERT_TRUE(dynamic_cast<SkinButton*>(cw));
                    EXPECT_EQ(static_cast<SkinButton*>(cw)->text().toStdString(), c.caption);
                    break;
                case ControlKind::Label:
                    ASSERT_TRUE(dynamic_cast<SkinLabel*>(cw));
                    EXPECT_EQ(static_cast<SkinLabel*>(cw)->caption().toStdString(), c.caption);
                    break;
                case ControlKind::EditBox:
                    if (c.multiLine)
                        EXPECT_TRUE(dynamic_cast<TextEditBox*>(cw));
                    else
                        EXPECT_TRUE(dynamic_cast<LineEditBox*>(cw));
                    break;
                case ControlKind::PictureBox:
                    EXPECT_TRUE(dynamic_cast<PictureBox*>(cw));
                    break;
                case ControlKind::GroupBox:
                    ASSERT_TRUE(dynamic_cast<GroupBox*>(cw));
                    EXPECT_EQ(static_cast<GroupBox*>(cw)->caption().toStdString(), c.caption);
                    break;
                case ControlKind::TabControl:
                    ASSERT_TRUE(dynamic_cast<TabControl*>(cw));
                    EXPECT_EQ(static_cast<TabControl*>(cw)->pageCount(), static_cast<int>(c.pages.size()));
                    break;
                case ControlKind::RadioButton:
                    ASSERT_TRUE(dynamic_cast<ChoiceBox*>(cw));
                    EXPECT_EQ(static_cast<ChoiceBox*>(cw)->look(), ChoiceBox::Look::Radio);
                    break;
                case ControlKind::CheckBox:
                    ASSERT_TRUE(dynamic_cast<ChoiceBox*>(cw));
                    EXPECT_EQ(static_cast<ChoiceBox*>(cw)->look(),
                              c.skin == "超仿QQ_选择框" ? ChoiceBox::Look::QqCheck : ChoiceBox::Look::Check);
                    break;
                case ControlKind::ProgressBar:
                    ASSERT_TRUE(dynamic_cast<ProgressBar*>(cw));
                    EXPECT_EQ(static_cast<ProgressBar*>(cw)->isRing(), c.width == c.height);
                    break;
                default:
                    break;
            }
        }
        windows.destroy(w);
    }
    EXPECT_TRUE(windows.openWindows().empty());
}

// Work queued for after the first paint runs once the window has been painted, never inside the
// call; a window that is never painted still gets it, a second later.
TEST_F(QtView, AfterFirstPaintWaitsForThePaint) {
    struct PaintWatch : QObject {
        bool painted = false;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) painted = true;
            return false;
        }
    } watch;
    WindowPtr w = Window::create(*qx::app::findWindowLayout("AboutWindow"));
    WindowView* v = open(w);
    v->installEventFilter(&watch);
    bool paintedFirst = false, ran = false;
    windows.afterFirstPaint(w, [&] { ran = true, paintedFirst = watch.painted; });
    EXPECT_FALSE(ran);
    ASSERT_TRUE(waitFor([&] { return ran; }));
    EXPECT_TRUE(paintedFirst);
    int later = 0;
    windows.afterFirstPaint(w, [&] { ++later; });  // painted already: soon
    EXPECT_EQ(later, 0);
    ASSERT_TRUE(waitFor([&] { return later == 1; }));

    WindowPtr hidden = Window::create(*qx::app::findWindowLayout("AboutWindow"));
    windows.openModeless(hidden);
    windows.viewOf(hidden.get())->hide();
    bool hiddenRan = false;
    windows.afterFirstPaint(hidden, [&] { hiddenRan = true; });
    EXPECT_TRUE(waitFor([&] { return hiddenRan; }, 3000));
}

// A page not chosen and a hidden control get their widgets when they first show, with what the
// model holds by then.
TEST_F(QtView, HiddenControlsGetTheirWidgetsWhenTheyShow) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("MainWindow"));
    WindowView* v = open(w);
    auto* tabs = widget<TabControl>(v, "选择夹EX1");
    EXPECT_EQ(tabs->page(1)->findChild<QWidget*>(), nullptr);
    EXPECT_EQ(v->findChild<QWidget*>("编辑框EX_更新内容"), nullptr);
    w->control("按钮EX8").setCaption(gbk(u8"蓝奏"));
    w->control("按钮EX9").setDisabled(true);
    w->control("选择夹EX1").setCurrentPage(1);
    auto* lanzou = tabs->page(1)->findChild<SkinButton*>("按钮EX8");
    ASSERT_TRUE(lanzou);
    EXPECT_EQ(lanzou->text(), QString::fromUtf8(u8"蓝奏"));
    EXPECT_TRUE(lanzou->isVisible());
    EXPECT_FALSE(tabs->page(1)->findChild<QWidget*>("按钮EX9")->isEnabled());
    w->control("编辑框EX_更新内容").setText(gbk(u8"改动"));
    w->control("编辑框EX_更新内容").setVisible(true);
    EXPECT_EQ(v->findChild<QWidget*>("编辑框EX_更新内容"), nullptr);  // its page is not shown
    w->control("选择夹EX1").setCurrentPage(0);
    auto* log = v->findChild<TextEditBox*>("编辑框EX_更新内容");
    ASSERT_TRUE(log);
    EXPECT_TRUE(log->isVisible());
    EXPECT_EQ(log->plainText(), QString::fromUtf8(u8"改动"));
    // Made last, it lies over the joke label in its rectangle, as it comes after it in the layout.
    const QObjectList& stack = log->parentWidget()->children();
    EXPECT_GT(stack.indexOf(log), stack.indexOf(v->findChild<QWidget*>("骚话标签")));
}

TEST_F(QtView, PagesSwitchOnlyThroughTheModel) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("MainWindow"));
    w->onClick("按钮EX5", [w] { w->control("选择夹EX1").setCurrentPage(1); });
    WindowView* v = open(w);
    auto* tabs = widget<TabControl>(v, "选择夹EX1");
    QWidget* cloud = v->controlWidget("按钮EX8");
    QWidget* home = v->controlWidget("按钮EX7");
    EXPECT_EQ(tabs->currentPage(), 0);
    EXPECT_TRUE(home->isVisible());
    EXPECT_FALSE(cloud->isVisible());
    QTest::mouseClick(v->controlWidget("按钮EX5"), Qt::LeftButton);
    EXPECT_EQ(tabs->currentPage(), 1);
    EXPECT_TRUE(cloud->isVisible());
    EXPECT_FALSE(home->isVisible());
    w->control("选择夹EX1").setCurrentPage(2);
    EXPECT_TRUE(v->controlWidget("按钮EX39")->isVisible());
    w->control("选择夹EX1").setCurrentPage(7);  // no such page: stays
    EXPECT_EQ(tabs->currentPage(), 2);
    // No tab bar: the page fills the whole control.
    EXPECT_EQ(tabs->page(2)->geometry(), QRect(0, 0, 528, 296));
}

TEST_F(QtView, AlphaPerControl) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("SpeedTestWindow"));
    WindowView* v = open(w);
    auto* label = widget<SkinLabel>(v, "标签EX1");
    // Only the control itself, without the window behind it.
    auto paint = [](QWidget* cw) {
        QImage img(cw->size(), QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        cw->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
        return img;
    };
    QImage opaque = paint(label);
    w->control("标签EX1").setAlpha(0);
    QImage clear = paint(label);
    auto inkOf = [](const QImage& img) {
        long ink = 0;
        const QImage& a = img;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) ink += qAlpha(a.pixel(x, y));
        return ink;
    };
    EXPECT_GT(inkOf(opaque), 0);
    EXPECT_EQ(inkOf(clear), 0);
    // Faded out completely, a control lets the mouse through to the picture under it.
    w->control("标签EX2").setVisible(true);
    QWidget* picture = v->controlWidget("图片框EX1");
    QWidget* over = v->controlWidget("标签EX2");
    const QPoint spot = over->geometry().center();
    ASSERT_TRUE(picture->geometry().contains(spot));
    EXPECT_EQ(v->childAt(spot), picture);
    w->control("标签EX2").setAlpha(255);
    EXPECT_EQ(v->childAt(spot), over);
    w->control("标签EX2").setAlpha(0);
    // The ring starts transparent and fades in.
    auto* ring = widget<ProgressBar>(v, "进度条EX1");
    EXPECT_EQ(inkOf(paint(ring)), 0);
    w->control("进度条EX1").setAlpha(255);
    EXPECT_GT(inkOf(paint(ring)), 0);
    // Edit boxes fade through an opacity effect.
    WindowPtr r = Window::create(*qx::app::findWindowLayout("ResolverWindow"));
    WindowView* rv = open(r);
    r->control("编辑框EX_结果").setAlpha(51);
    auto* effect =
        qobject_cast<QGraphicsOpacityEffect*>(rv->controlWidget("编辑框EX_结果")->graphicsEffect());
    ASSERT_TRUE(effect);
    EXPECT_NEAR(effect->opacity(), 0.2, 1e-6);
    r->control("编辑框EX_结果").setAlpha(255);
    EXPECT_EQ(rv->controlWidget("编辑框EX_结果")->graphicsEffect(), nullptr);
}

TEST_F(QtView, PictureBoxShowsImageBytesScaledToFit) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("AvatarWindow"));  // 图片框EX1 is 272x192
    WindowView* v = open(w);
    auto* box = widget<PictureBox>(v, "图片框EX1");
    Control c = w->control("图片框EX1");
    QImage wide(200, 100, QImage::Format_ARGB32);
    wide.fill(Qt::red);
    for (const char* format : {"PNG", "JPG", "BMP"}) {
        SCOPED_TRACE(format);
        c.setImage(encode(wide, format));
        ASSERT_FALSE(box->image().isNull());
        EXPECT_EQ(box->image().size(), QSize(200, 100));
        EXPECT_EQ(box->pictureRect(), QRect(0, 28, 272, 136));
        c.setImage({});
        EXPECT_TRUE(box->image().isNull());
    }
    // Qt writes no GIF: one pixel, by hand.
    const unsigned char gif[] = {'G',  'I', 'F', '8', '9', 'a',  1, 0, 1, 0,   0x80, 0, 0,   0xff, 0xff,
                                 0xff, 0,   0,   0,   '!', 0xf9, 4, 1, 0, 0,   0,    0, ',', 0,    0,
                                 0,    0,   1,   0,   1,   0,    0, 2, 2, 'D', 1,    0, ';'};
    c.setImage(ByteArray(std::begin(gif), std::end(gif)));
    ASSERT_FALSE(box->image().isNull());
    EXPECT_EQ(box->pictureRect(), QRect(40, 0, 192, 192));
    QImage icon(16, 32, QImage::Format_ARGB32);
    icon.fill(Qt::blue);
    c.setImage(encode(icon, "ICO"));
    ASSERT_FALSE(box->image().isNull());
    EXPECT_EQ(box->pictureRect(), QRect(88, 0, 96, 192));  // tall: fits the height
    c.setImage({'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    EXPECT_TRUE(box->image().isNull());

    int clicks = 0;
    w->onClick("图片框EX1", [&] { ++clicks; });
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

// A picture not known to be small (a server's) is decoded off the UI thread: the box stays
// empty until it is ready, and bytes set meanwhile win over a late result.
TEST_F(QtView, PictureBoxDecodesLargePicturesOffTheUiThread) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("AvatarWindow"));
    WindowView* v = open(w);
    auto* box = widget<PictureBox>(v, "图片框EX1");
    Control c = w->control("图片框EX1");
    QImage large(3000, 2000, QImage::Format_RGB32);
    large.fill(Qt::darkCyan);
    QImage small(40, 20, QImage::Format_RGB32);
    small.fill(Qt::yellow);
    const ByteArray largePng = encode(large, "PNG"), largeJpeg = encode(large, "JPG"),
                    smallPng = encode(small, "PNG");

    for (const ByteArray* bytes : {&largePng, &largeJpeg}) {
        c.setImage(*bytes);
        EXPECT_TRUE(box->decoding());
        EXPECT_TRUE(box->image().isNull());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !box->decoding(); }, 10000));
        EXPECT_EQ(box->image().size(), QSize(3000, 2000));
        c.setImage({});
        EXPECT_TRUE(box->image().isNull());
    }

    // Shown once and set again: the recent picture is at hand at once.
    c.setImage(smallPng);
    EXPECT_FALSE(box->decoding());
    EXPECT_EQ(box->image().size(), QSize(40, 20));

    // A large picture, then a small one before the first is done: the small one stays.
    large.fill(Qt::darkRed);
    c.setImage(encode(large, "PNG"));
    EXPECT_TRUE(box->decoding());
    c.setImage(smallPng);
    EXPECT_FALSE(box->decoding());
    QTest::qWait(1500);
    EXPECT_EQ(box->image().size(), QSize(40, 20));
}

TEST_F(QtView, WorkerWritesLandInTheView) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("WebTesterWindow"));
    WindowView* v = open(w);
    std::thread worker([w] {
        for (int i = 0; i <= 2000; ++i) {
            w->control("标签EX10").setCaption("n" + std::to_string(i));
            w->control("编辑框EX_最后文本").setText(gbk(u8"第") + std::to_string(i) + "\r\n" + gbk(u8"行"));
            w->control("按钮EX2").setDisabled(i % 2 == 1);
        }
        w->setWidth(906);
        w->control("按钮EX1").setLeft(864);
    });
    auto* label = widget<SkinLabel>(v, "标签EX10");
    auto* edit = widget<TextEditBox>(v, "编辑框EX_最后文本");
    bool landed = waitFor([&] {
        return label->caption() == QStringLiteral("n2000") && v->width() == 906 &&
               v->controlWidget("按钮EX1")->x() == 864;
    });
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_TRUE(landed);
    EXPECT_EQ(edit->toPlainText(), QString::fromUtf8(u8"第2000\n行"));
    EXPECT_TRUE(v->controlWidget("按钮EX2")->isEnabled());
}

TEST_F(QtView, UserInputGoesBackIntoTheModelAsGbk) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("WebTesterWindow"));
    WindowView* v = open(w);
    auto* line = widget<LineEditBox>(v, "编辑框EX_原网址");
    QTest::keyClicks(line, "http://a");
    EXPECT_EQ(w->control("编辑框EX_原网址").text(), "http://a");
    // Text committed by an input method, one character outside GBK.
    line->setFocus();
    QInputMethodEvent ime;
    ime.setCommitString(QString::fromUtf8(u8"中文😀"));
    QCoreApplication::sendEvent(line, &ime);
    EXPECT_EQ(w->control("编辑框EX_原网址").text(), "http://a" + gbk(u8"中文") + "?");

    auto* multi = widget<TextEditBox>(v, "编辑框EX_提交数据");
    QTest::keyClicks(multi, "a");
    QTest::keyClick(multi, Qt::Key_Return);
    QTest::keyClicks(multi, "b");
    EXPECT_EQ(w->control("编辑框EX_提交数据").text(), "a\r\nb");
    w->control("编辑框EX_Cookie").setText("x=1\r\ny=2");
    EXPECT_EQ(widget<TextEditBox>(v, "编辑框EX_Cookie")->toPlainText(), QStringLiteral("x=1\ny=2"));
    EXPECT_EQ(w->control("编辑框EX_Cookie").text(), "x=1\r\ny=2");  // the program's write stays as it is
}

// A huge text (a million matches) shows its beginning at once and fills in between events; the
// box takes no typing meanwhile, and a newer text replaces a fill still under way.
TEST_F(QtView, HugeTextsFillInPiecesWithoutLosingAnything) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("RegexTesterWindow"));
    WindowView* v = open(w);
    auto* box = widget<TextEditBox>(v, "编辑框EX_输出文本");
    ASSERT_TRUE(box);
    Text huge;
    for (int i = 0; i < 100000; ++i) huge += "match" + std::to_string(i) + "\r\n";
    ASSERT_LT(huge.size(), TextEditBox::kShownTextBytes);
    w->control("编辑框EX_输出文本").setText(huge);
    ASSERT_TRUE(waitFor([&] { return !box->toPlainText().isEmpty(); }));
    EXPECT_TRUE(box->filling());
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_LT(box->toPlainText().size(), static_cast<qsizetype>(huge.size()));
    EXPECT_EQ(box->plainText().size() + 100000, static_cast<qsizetype>(huge.size()));  // CR LF shown as LF
    ASSERT_TRUE(waitFor([&] { return !box->filling(); }, 60000));
    EXPECT_FALSE(box->isReadOnly());
    EXPECT_EQ(box->toPlainText(), toQtLines(huge));
    EXPECT_EQ(w->control("编辑框EX_输出文本").text(), huge);

    w->control("编辑框EX_输出文本").setText(huge + huge);
    ASSERT_TRUE(waitFor([&] { return box->filling(); }));
    w->control("编辑框EX_输出文本").setText("short");
    ASSERT_TRUE(waitFor([&] { return box->toPlainText() == QStringLiteral("short"); }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(box->filling());
    EXPECT_EQ(box->toPlainText(), QStringLiteral("short"));
}

TEST_F(QtView, RadioGroupsAndCheckBoxes) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("EncoderWindow"));
    WindowView* v = open(w);
    auto* utf8 = widget<ChoiceBox>(v, "单选框EX1");
    auto* url = widget<ChoiceBox>(v, "单选框EX2");
    QTest::mouseClick(utf8, Qt::LeftButton);
    EXPECT_TRUE(w->control("单选框EX1").checked());
    QTest::mouseClick(url, Qt::LeftButton);
    EXPECT_TRUE(w->control("单选框EX2").checked());
    EXPECT_FALSE(w->control("单选框EX1").checked());
    EXPECT_FALSE(utf8->isChecked());
    QTest::mouseClick(url, Qt::LeftButton);  // clicking the checked one keeps it
    EXPECT_TRUE(url->isChecked());
    w->control("单选框EX3").setChecked(true);
    EXPECT_FALSE(url->isChecked());

    WindowPtr t = Window::create(*qx::app::findWindowLayout("WebTesterWindow"));
    WindowView* tv = open(t);
    auto* qq = widget<ChoiceBox>(tv, "选择框EX6");
    QTest::mouseClick(qq, Qt::LeftButton);
    EXPECT_TRUE(t->control("选择框EX6").checked());
    QTest::mouseClick(qq, Qt::LeftButton);
    EXPECT_FALSE(t->control("选择框EX6").checked());
    t->control("选择框EX1").setChecked(true);
    EXPECT_TRUE(widget<ChoiceBox>(tv, "选择框EX1")->isChecked());
}

TEST_F(QtView, TimerTicksUntilIntervalZero) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("SpeedTestWindow"));
    WindowView* v = open(w);
    std::atomic<int> ticks{0};
    w->onTimer("时钟1", [&] {
        if (++ticks == 3) w->control("时钟1").setInterval(0);
    });
    w->control("时钟1").setInterval(5);
    EXPECT_TRUE(v->timer("时钟1")->isActive());
    EXPECT_TRUE(waitFor([&] { return ticks >= 3; }));
    EXPECT_FALSE(v->timer("时钟1")->isActive());
    QTest::qWait(30);
    EXPECT_EQ(ticks, 3);
}

TEST_F(QtView, WindowPropertiesSkinAndMinimise) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("AboutWindow"));
    WindowView* v = open(w);
    QImage skin(732, 354, QImage::Format_ARGB32);
    skin.fill(Qt::white);
    w->skinElement().setImage(encode(skin, "PNG"));
    EXPECT_EQ(v->skin().size(), QSize(732, 354));
    w->setAlpha(128);
    EXPECT_NEAR(v->windowOpacity(), 128 / 255.0, 0.01);
    w->setWindowState(WindowState::Minimised);
    EXPECT_TRUE(v->windowState() & Qt::WindowMinimized);
    w->setWindowState(WindowState::Normal);
    EXPECT_FALSE(v->windowState() & Qt::WindowMinimized);
    v->move(200, 120);  // as a drag does
    EXPECT_EQ(w->left(), 200);
    EXPECT_EQ(w->top(), 120);
    // A control beyond the window lies clipped, not moved.
    WindowPtr e = Window::create(*qx::app::findWindowLayout("EncoderWindow"));
    WindowView* ev = open(e);
    e->control("编辑框EX_解码文本").setVisible(true);
    EXPECT_FALSE(ev->rect().contains(ev->controlWidget("编辑框EX_解码文本")->geometry()));
    e->setHeight(668);
    EXPECT_TRUE(ev->rect().contains(ev->controlWidget("编辑框EX_解码文本")->geometry()));
}

// The Windows font the layouts name is drawn with one installed stand-in, named alone (so Qt
// runs no fallback search per font), with the hinting fontconfig sets for it: off for
// WenQuanYi Micro Hei, which the test machines have.
TEST_F(QtView, WindowsFontDrawnWithOneInstalledStandIn) {
    const QFont font = QApplication::font();
    ASSERT_EQ(font.families().size(), 1);
    EXPECT_TRUE(QFontDatabase::families().contains(font.family()));
    EXPECT_EQ(uiFontFamily(QStringLiteral("微软雅黑")), font.family());
    EXPECT_EQ(uiFontFamily(QStringLiteral("DejaVu Sans")), QStringLiteral("DejaVu Sans"));
    if (font.family() == QStringLiteral("WenQuanYi Micro Hei")) {
        EXPECT_EQ(font.hintingPreference(), QFont::PreferNoHinting);
    }
    WindowPtr w = Window::create(*qx::app::findWindowLayout("MainWindow"));
    WindowView* v = open(w);
    const QFont button = widget<SkinButton>(v, "按钮EX5")->font();
    EXPECT_EQ(button.families(), QStringList{font.family()});
    EXPECT_EQ(button.hintingPreference(), font.hintingPreference());
    EXPECT_EQ(QFontInfo(button).family(), font.family());
}

// The skin drawn in nine parts, some without smoothing where the picture is flat, gives the
// pixels of every part smoothed (to within rounding): for a skin flat along its stretched middle
// (as the program's are) and for a noisy one, windows smaller, equal and larger than the picture.
TEST_F(QtView, SkinPartsDrawnAsIfAllSmoothed) {
    QImage flat(64, 354, QImage::Format_ARGB32_Premultiplied);
    flat.fill(Qt::transparent);
    {
        QPainter p(&flat);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, 354);
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(1, QColor(150, 153, 159));
        p.setPen(QPen(Qt::black, 3));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(1.5, 1.5, 61, 351), 10, 10);
    }
    QImage noisy = flat.copy();
    for (int y = 20; y < 330; y += 7)
        for (int x = 18; x < 46; x += 5) noisy.setPixel(x, y, qRgb((x * 37) % 256, (y * 11) % 256, 90));
    WindowPtr w = Window::create(*qx::app::findWindowLayout("AboutWindow"));
    WindowView* v = open(w);
    for (const auto& [skin, name] : {std::pair{flat, "flat"}, std::pair{noisy, "noisy"}}) {
        w->skinElement().setImage(encode(skin, "PNG"));
        for (const QSize size : {QSize(120, 200), QSize(64, 354), QSize(732, 354), QSize(500, 420)}) {
            w->setWidth(size.width());
            w->setHeight(size.height());
            ASSERT_EQ(v->size(), size);
            QImage drawn(size, QImage::Format_ARGB32_Premultiplied);
            drawn.fill(Qt::transparent);
            v->render(&drawn, QPoint(), QRegion(), {});
            QImage expected(size, QImage::Format_ARGB32_Premultiplied);
            expected.fill(Qt::transparent);
            {
                QPainter p(&expected);
                p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
                const int m = std::min({16, 64 / 3, size.width() / 2, size.height() / 2});
                const int sx[4] = {0, m, 64 - m, 64}, sy[4] = {0, m, 354 - m, 354};
                const int tx[4] = {0, m, size.width() - m, size.width()};
                const int ty[4] = {0, m, size.height() - m, size.height()};
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j)
                        p.drawImage(QRect(tx[i], ty[j], tx[i + 1] - tx[i], ty[j + 1] - ty[j]), skin,
                                    QRect(sx[i], sy[j], sx[i + 1] - sx[i], sy[j + 1] - sy[j]));
            }
            int worst = 0;  // largest difference in any channel
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x) {
                    const QRgb a = drawn.pixel(x, y), b = expected.pixel(x, y);
                    worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                      std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
                }
            EXPECT_LE(worst, 1) << name << " " << size.width() << "x" << size.height();
        }
    }
}

TEST_F(QtView, ModalChildReturnsWhenDestroyed) {
    WindowPtr main = Window::create(*qx::app::findWindowLayout("MainWindow"));
    open(main);
    WindowPtr about = Window::create(*qx::app::findWindowLayout("AboutWindow"));
    about->onClick("按钮EX1", [this, about] { windows.destroy(about); });
    bool createdBeforeShow = false;
    QPointer<WindowView> childView;
    about->onCreated([&] {
        childView = windows.viewOf(about.get());
        createdBeforeShow = childView && !childView->isVisible();
    });
    QTimer::singleShot(20, [&] {
        ASSERT_TRUE(childView);
        EXPECT_TRUE(childView->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), childView.data());
        QTest::mouseClick(childView->controlWidget("按钮EX1"), Qt::LeftButton);
    });
    windows.openModal(about, main);
    EXPECT_TRUE(createdBeforeShow);
    // Opened centred over its parent.
    EXPECT_EQ(about->left() + about->width() / 2, main->left() + main->width() / 2);
    EXPECT_EQ(about->top() + about->height() / 2, main->top() + main->height() / 2);
    EXPECT_TRUE(about->destroyed());
    EXPECT_EQ(windows.openWindows().size(), 1u);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(childView.isNull());
}

TEST_F(QtView, MessageBoxAskedFromAWorker) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("WebTesterWindow"));
    open(w);
    std::atomic<bool> done{false};
    MessageAnswer answer = MessageAnswer::No;
    std::thread worker([&] {
        answer = windows.messageBox(w.get(), gbk(u8"需要终止请求吗？"), Text(), MessageStyle::YesNoQuestion);
        done = true;
    });
    // The box runs its own loop on this thread: answer it from a timer inside that loop.
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == QMessageBox::YesRole) b->click();
    });
    answerer.start(5);
    EXPECT_TRUE(waitFor([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(answer, MessageAnswer::Yes);
    EXPECT_EQ(text, QString::fromUtf8(u8"需要终止请求吗？"));
    EXPECT_EQ(title, QString());
    EXPECT_EQ(icon, QMessageBox::Question);
}

TEST_F(QtView, ClipboardAndFileFilters) {
    windows.setClipboardText(gbk(u8"直链"));
    EXPECT_EQ(windows.clipboardText(), gbk(u8"直链"));
    Text fromWorker;
    std::thread worker([&] { fromWorker = windows.clipboardText(); });
    waitFor([&] { return !fromWorker.empty(); });
    worker.join();
    EXPECT_EQ(fromWorker, gbk(u8"直链"));

    EXPECT_EQ(nameFilters(gbk(u8"TXT文档(*.txt)|*.txt|所有文件(*.*)|*.*")),
              QStringList({QString::fromUtf8(u8"TXT文档(*.txt)"), QString::fromUtf8(u8"所有文件(*.*)")}));
    EXPECT_EQ(
        nameFilters(gbk(u8"图片|*.png|所有文件(*.txt)|*.*")),
        QStringList({QString::fromUtf8(u8"图片 (*.png)"), QString::fromUtf8(u8"所有文件(*.txt) (*.*)")}));
    EXPECT_EQ(nameFilters("*.mp3"), QStringList({"*.mp3"}));
    EXPECT_EQ(nameFilters(""), QStringList());
    EXPECT_EQ(nameFilters("Pictures|*.png;*.jpg"), QStringList({"Pictures (*.png *.jpg)"}));
}

// What assistive technology reads: every caption as the control's name, edit boxes named by the
// label before them; Tab walks the reading order and Enter presses a button.
TEST_F(QtView, AccessibleNamesTabOrderAndKeyboard) {
    WindowPtr main = Window::create(*qx::app::findWindowLayout("MainWindow"));
    WindowView* v = open(main);
    int named = 0;
    for (const ControlLayout& c : main->layout().controls) {
        QWidget* cw = v->controlWidget(c.name);
        if (!cw || c.caption.empty() || c.kind == ControlKind::EditBox) continue;
        SCOPED_TRACE(c.name);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(cw);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->text(QAccessible::Name).toStdString(),
                  c.accessibleName.empty() ? c.caption : c.accessibleName);
        EXPECT_EQ(cw->objectName().toStdString(), c.name);
        ++named;
    }
    EXPECT_GT(named, 20);

    WindowPtr resolver = Window::create(*qx::app::findWindowLayout("ResolverWindow"));
    WindowView* r = open(resolver);
    r->activateWindow();
    QWidget* link = r->controlWidget("编辑框EX_原链接");
    EXPECT_EQ(link->accessibleName(), QStringLiteral("原链接："));
    link->setFocus();
    std::vector<std::string> visited;
    QWidget* at = link;
    for (int i = 0; i < 5; ++i) {
        at = at->nextInFocusChain();
        while (!(at->focusPolicy() & Qt::TabFocus) || !at->isEnabled()) at = at->nextInFocusChain();
        visited.push_back(at->objectName().toStdString());
    }
    EXPECT_EQ(visited,
              (std::vector<std::string>{"编辑框EX_密码", "编辑框EX_结果", "按钮EX3", "按钮EX4", "按钮EX2"}));

    int clicks = 0;
    resolver->onClick("按钮EX4", [&] { ++clicks; });
    QWidget* generate = r->controlWidget("按钮EX4");
    QTest::keyClick(generate, Qt::Key_Return);
    QTest::keyClick(generate, Qt::Key_Space);
    EXPECT_TRUE(waitFor([&] { return clicks == 2; }));
    generate->setEnabled(false);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(generate);
    EXPECT_TRUE(a->state().disabled);
}

// Whatever a screen reader reaches that acts on a click has a name that says what it does: the
// close buttons, symbols such as "-" and "->", and the pictures that save or start something.
TEST_F(QtView, EveryButtonHasAName) {
    const std::map<std::pair<std::string, std::string>, std::string> expected = {
        {{"AvatarWindow", "按钮EX1"}, "关闭"},         {{"SpeedTestWindow", "图片框EX1"}, "开始测速"},
        {{"MainWindow", "按钮EX2"}, "最小化"},         {{"WebTesterWindow", "按钮EX5"}, "展开"},
        {{"SpeechWindow", "按钮EX4"}, "播放"},         {{"AvatarWindow", "图片框EX1"}, "保存头像"},
        {{"SiteIconWindow", "图片框EX1"}, "保存图标"}, {{"MainWindow", "图片框EX2"}, "更新"},
    };
    std::size_t checked = 0;
    for (const WindowLayout* each : qx::app::allWindowLayouts()) {
        const WindowLayout& layout = *each;
        WindowPtr w = Window::create(layout);
        WindowView* v = open(w);
        for (const ControlLayout& c : layout.controls) {
            const bool clickable = c.kind == ControlKind::Button || c.kind == ControlKind::CloseButton ||
                                   !c.accessibleName.empty();
            QWidget* cw = v->controlWidget(c.name);
            if (!clickable || !cw) continue;
            SCOPED_TRACE(layout.name + " " + c.name);
            const QString name = QAccessible::queryAccessibleInterface(cw)->text(QAccessible::Name);
            // A name of symbols only ("", "-", "->", ">") tells nothing.
            EXPECT_TRUE(std::any_of(name.begin(), name.end(), [](QChar ch) { return ch.isLetter(); }))
                << name.toStdString();
            auto it = expected.find({layout.name, c.name});
            if (it != expected.end()) {
                EXPECT_EQ(name.toStdString(), it->second);
                ++checked;
            }
        }
        windows.destroy(w);
    }
    EXPECT_EQ(checked, expected.size());
    // A caption set later does not rename a named control.
    WindowPtr speech = Window::create(*qx::app::findWindowLayout("SpeechWindow"));
    WindowView* v = open(speech);
    speech->control("按钮EX4").setCaption("| |");
    EXPECT_TRUE(waitFor([&] { return v->controlWidget("按钮EX4")->property("text").toString() == "| |"; }));
    EXPECT_EQ(v->controlWidget("按钮EX4")->accessibleName(), QString::fromUtf8(u8"播放"));
}

// In a German session Qt's own dialogs still speak Chinese and the C library writes a point.
TEST_F(QtView, QtsOwnTextsInChineseAndNumbersWithAPoint) {
    test::CommaLocale locale;
    ASSERT_TRUE(locale.active());
    speakChinese(qtApp());
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    char number[16];
    std::snprintf(number, sizeof number, "%.1f", 1.5);
    EXPECT_STREQ(number, "1.5");

    QFileDialog dialog(nullptr, QStringLiteral("保存文件"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.show();  // builds its widgets
    QStringList texts;
    for (auto* b : dialog.findChildren<QPushButton*>()) texts << b->text();
    for (auto* l : dialog.findChildren<QLabel*>()) texts << l->text();
    const QString all = texts.join('|');
    for (const char8_t* word : {u8"保存", u8"取消", u8"文件名称", u8"查找范围", u8"文件类型"})
        EXPECT_TRUE(all.contains(QString::fromUtf8(word))) << all.toStdString();
    EXPECT_FALSE(all.contains(QStringLiteral("Cancel"))) << all.toStdString();
    dialog.close();

    // The other tests expect Qt's untranslated texts.
    for (auto* t : qtApp().findChildren<QTranslator*>()) QCoreApplication::removeTranslator(t);
    QLocale::setDefault(QLocale::c());
}

TEST_F(QtView, FileDialogShowsTheRequestAndReturnsTheChoice) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("WebTesterWindow"));
    open(w);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Seen {
        QString title, directory, selectedFilter, typedName;
        QStringList filters;
        QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    } seen;
    QString answer;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        seen.title = dialog->windowTitle();
        seen.directory = dialog->directory().absolutePath();
        seen.filters = dialog->nameFilters();
        seen.selectedFilter = dialog->selectedNameFilter();
        seen.mode = dialog->acceptMode();
        if (auto* edit = dialog->findChild<QLineEdit*>()) seen.typedName = edit->text();
        if (answer.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(answer);
            static_cast<QDialog*>(dialog)->accept();  // the file dialog's own check runs
        }
    });
    answerer.start(5);

    FileDialogRequest r;
    r.title = gbk(u8"保存文件");
    r.initialDirectory = fromQt(dir.path());
    r.defaultName = gbk(u8"音频.mp3");
    r.filter = gbk(u8"TXT文档(*.txt)|*.txt|所有文件(*.*)|*.*");
    r.filterIndex = 2;
    answer = dir.filePath(QString::fromUtf8(u8"选中.txt"));
    EXPECT_EQ(windows.fileDialog(w.get(), r), fromQt(answer));
    EXPECT_EQ(seen.title, QString::fromUtf8(u8"保存文件"));
    EXPECT_EQ(seen.directory, QDir(dir.path()).absolutePath());
    EXPECT_EQ(seen.filters,
              QStringList({QString::fromUtf8(u8"TXT文档(*.txt)"), QString::fromUtf8(u8"所有文件(*.*)")}));
    EXPECT_EQ(seen.selectedFilter, QString::fromUtf8(u8"所有文件(*.*)"));
    EXPECT_EQ(seen.typedName, QString::fromUtf8(u8"音频.mp3"));
    EXPECT_EQ(seen.mode, QFileDialog::AcceptSave);

    // A bare pattern is the one filter; a cancel gives empty text.
    r.filter = "*.PNG";
    answer.clear();
    EXPECT_EQ(windows.fileDialog(w.get(), r), "");
    EXPECT_EQ(seen.filters, QStringList({"*.PNG"}));

    // A name GBK cannot spell would come back as another name: taken as cancelled.
    answer = dir.filePath(QString::fromUtf8(u8"图😀.png"));
    EXPECT_EQ(windows.fileDialog(w.get(), r), "");
}

TEST_F(QtView, LongUnbrokenRunsWrapAnywhere) {
    EXPECT_FALSE(needsWrapAnywhere(Text(4096, 'x')));
    EXPECT_TRUE(needsWrapAnywhere(Text(4097, 'x')));
    EXPECT_FALSE(needsWrapAnywhere(Text(4000, 'x') + " " + Text(4000, 'y')));
    Text chinese;
    for (int i = 0; i < 10000; ++i) chinese += gbk(u8"中");
    EXPECT_FALSE(needsWrapAnywhere(chinese));  // Chinese breaks anywhere anyway

    WindowPtr w = Window::create(*qx::app::findWindowLayout("WebTesterWindow"));
    WindowView* v = open(w);
    auto* box = widget<TextEditBox>(v, "编辑框EX_最后文本");
    ASSERT_TRUE(box);
    // A minified page on one line: wrapped anywhere.
    w->control("编辑框EX_最后文本").setText(Text(200000, 'x'));
    EXPECT_EQ(box->wordWrapMode(), QTextOption::WrapAnywhere);
    EXPECT_TRUE(waitFor([&] { return !box->filling(); }));
    w->control("编辑框EX_最后文本").setText("some words\r\nmore");
    EXPECT_EQ(box->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

TEST_F(QtView, OverlongLinesAreBrokenForShowingOnly) {
    bool broke = false;
    int run = 0;
    EXPECT_EQ(breakLongLines(QStringLiteral("abcdefg\nhi"), 3, run, broke),
              QStringLiteral("abc\ndef\ng\nhi"));
    EXPECT_TRUE(broke);
    EXPECT_EQ(run, 2);
    // A piece that continues a line goes on counting it.
    broke = false;
    EXPECT_EQ(breakLongLines(QStringLiteral("jk"), 3, run, broke), QStringLiteral("j\nk"));
    EXPECT_TRUE(broke);
    broke = false;
    run = 0;
    EXPECT_EQ(breakLongLines(QStringLiteral("abc\nabc"), 3, run, broke), QStringLiteral("abc\nabc"));
    EXPECT_FALSE(broke);
    run = 0;
    const QString emoji = QString::fromUtf8(u8"ab😀c");  // a, b, a surrogate pair, c
    EXPECT_EQ(breakLongLines(emoji, 3, run, broke), QString::fromUtf8(u8"ab😀\nc"));
}

// The model keeps a text of any length; the box shows what it can without freezing: an overlong
// line broken up, the first part of a very long text with its size. It then takes no typing and
// writes nothing back, so the model's text stays whole.
TEST_F(QtView, TheBoxShowsPartOfAVeryLongTextAndTheModelKeepsItWhole) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("WebTesterWindow"));
    WindowView* v = open(w);
    auto* box = widget<TextEditBox>(v, "编辑框EX_最后文本");
    ASSERT_TRUE(box);
    Control c = w->control("编辑框EX_最后文本");
    const std::size_t limit = TextEditBox::kShownTextBytes;

    // One line of 200 000 characters: all of it, in lines the view lays out in one piece.
    c.setText(Text(200000, 'x'));
    ASSERT_TRUE(waitFor([&] { return !box->filling(); }));
    EXPECT_TRUE(box->partial());
    EXPECT_TRUE(box->isReadOnly());
    QString shown = box->toPlainText();
    EXPECT_EQ(shown.count(QLatin1Char('\n')), 200000 / TextEditBox::kLongestShownLine);
    EXPECT_EQ(shown.remove(QLatin1Char('\n')), QString(200000, QChar('x')));
    QTest::keyClicks(box, "typed");
    EXPECT_EQ(c.text(), Text(200000, 'x'));

    // Longer than the box shows: its beginning, cut before a character that does not fit whole,
    // and the size of the whole.
    const Text whole = Text(limit - 1, 'a') + gbk(u8"中") + Text(limit, 'b');
    c.setText(whole);
    ASSERT_TRUE(waitFor([&] { return !box->filling(); }, 60000));
    EXPECT_TRUE(box->partial());
    EXPECT_TRUE(box->isReadOnly());
    shown = box->toPlainText();
    const QString note = QString::fromUtf8(u8"\n\n[ 文本过长，这里只显示了前 2 MB，共 4 MB ]");
    ASSERT_TRUE(shown.endsWith(note)) << shown.right(80).toStdString();
    shown.chop(note.size());
    EXPECT_EQ(shown.remove(QLatin1Char('\n')), QString(static_cast<qsizetype>(limit - 1), QChar('a')));
    QTest::keyClicks(box, "typed");
    EXPECT_TRUE(c.text() == whole);

    // A short text again: shown as it is, and the box takes typing.
    c.setText("short");
    EXPECT_FALSE(box->partial());
    EXPECT_FALSE(box->isReadOnly());
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClicks(box, "!");
    EXPECT_EQ(c.text(), "short!");
}

TEST(QtViewText, GbkBoundary) {
    EXPECT_EQ(toQt(gbk(u8"中")), QString::fromUtf8(u8"中"));
    EXPECT_EQ(fromQt(QString::fromUtf8(u8"中😀")), gbk(u8"中") + "?");
    EXPECT_EQ(fromQtLines(QStringLiteral("a\nb")), "a\r\nb");
    EXPECT_EQ(toQtLines("a\r\nb\rc"), QStringLiteral("a\nb\nc"));
}

TEST_F(QtView, PendingOutputIsAppliedWhileAHandlerWaits) {
    WindowPtr w = Window::create(*qx::app::findWindowLayout("ResolverWindow"));
    WindowView* v = open(w);
    auto* label = widget<SkinLabel>(v, "标签EX1");
    // A worker's write reaches the view as a queued update.
    std::thread([w] { w->control("标签EX1").setCaption("done"); }).join();
    EXPECT_NE(label->caption(), QStringLiteral("done"));
    windows.processPendingEventsExceptInput();
    EXPECT_EQ(label->caption(), QStringLiteral("done"));
    // Off the UI thread it does nothing and returns.
    std::thread([this] { windows.processPendingEventsExceptInput(); }).join();
}
