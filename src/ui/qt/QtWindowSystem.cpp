#include "ui/qt/QtWindowSystem.h"

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "text/CodePages.h"
#include "text/Strings.h"
#include "ui/qt/GbkText.h"
#include "ui/qt/WindowView.h"

namespace qx::ui::qt {

QStringList nameFilters(const Text& filter) {
    const QStringList parts = toQt(filter).split(QChar('|'));
    QStringList out;
    if (parts.size() < 2) {
        // A bare pattern such as "*.mp3": Qt reads a filter without parentheses as its patterns.
        if (!parts.value(0).isEmpty()) out << parts.value(0);
        return out;
    }
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QChar(';'), QChar(' '));
        // "TXT文档(*.txt)" already ends in its patterns the way Qt reads them: keep it as it is
        // rather than showing them twice.
        const QString shown = parts[i].trimmed();
        if (shown.endsWith(QStringLiteral("(%1)").arg(patterns)))
            out << shown;
        else
            out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    if (parts.size() % 2) out << parts.back();  // a name without its pattern
    return out;
}

QtWindowSystem::QtWindowSystem() : dispatcher_(new QObject) {}

QtWindowSystem::~QtWindowSystem() {
    for (Open& o : open_) {
        o.window->markDestroyed();
        delete o.view;
    }
    delete dispatcher_;
}

bool QtWindowSystem::onUiThread() {
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

void QtWindowSystem::runOnUi(const std::function<void()>& f) {
    if (onUiThread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(dispatcher_, f, Qt::BlockingQueuedConnection);
}

WindowView* QtWindowSystem::viewOf(const Window* window) const {
    for (const Open& o : open_)
        if (o.window.get() == window) return o.view;
    return nullptr;
}

std::vector<WindowPtr> QtWindowSystem::openWindows() const {
    std::vector<WindowPtr> out;
    for (const Open& o : open_) out.push_back(o.window);
    return out;
}

QWidget* QtWindowSystem::ownerWidget(const Window* owner) const {
    if (WindowView* v = viewOf(owner)) return v;
    return open_.empty() ? nullptr : open_.back().view;  // the topmost window keeps it modal
}

WindowView* QtWindowSystem::createView(const WindowPtr& window, const WindowPtr& parent) {
    auto* view = new WindowView(window, parent ? viewOf(parent.get()) : nullptr);
    open_.push_back({window, view, nullptr});
    return view;
}

void QtWindowSystem::openModeless(const WindowPtr& window) {
    if (!window) return;
    runOnUi([&] {
        WindowView* view = createView(window, nullptr);
        window->created();  // before the first show
        if (window->destroyed()) return;
        view->markOpened();
        view->show();
    });
}

void QtWindowSystem::openModal(const WindowPtr& child, const WindowPtr& parent) {
    if (!child) return;
    runOnUi([&] {
        WindowView* view = createView(child, parent);
        view->setWindowModality(Qt::ApplicationModal);
        // Centred over the parent; a created handler that places the window itself wins.
        if (WindowView* owner = parent ? viewOf(parent.get()) : nullptr) {
            int x = owner->x() + owner->width() / 2 - child->width() / 2;
            int y = owner->y() + owner->height() / 2 - child->height() / 2;
            // Never off the screen's usable area, so the title row stays reachable.
            if (QScreen* screen = owner->screen()) {
                QRect area = screen->availableGeometry();
                x = std::max(area.left(), std::min(x, area.right() + 1 - child->width()));
                y = std::max(area.top(), std::min(y, area.bottom() + 1 - child->height()));
            }
            child->setPosition(x, y);
        }
        child->created();
        if (child->destroyed()) return;
        view->markOpened();
        view->show();
        view->raise();
        view->activateWindow();
        QEventLoop loop;
        for (Open& o : open_)
            if (o.window == child) o.loop = &loop;
        loop.exec();  // until destroy() quits it
    });
}

void QtWindowSystem::destroy(const WindowPtr& window) {
    if (!window) return;
    runOnUi([&] {
        // Child views die with their parent's widget: close their windows first.
        if (WindowView* view = viewOf(window.get())) {
            std::vector<WindowPtr> children;
            for (const Open& o : open_)
                if (o.view->parentWidget() == view) children.push_back(o.window);
            for (auto& c : children) destroy(c);
        }
        for (auto it = open_.begin(); it != open_.end(); ++it) {
            if (it->window != window) continue;
            Open o = *it;
            open_.erase(it);
            window->markDestroyed();
            o.view->hide();
            o.view->deleteLater();  // it may be inside one of its own event handlers
            if (o.loop) o.loop->quit();
            if (open_.empty() && lastWindowClosed_) lastWindowClosed_();
            return;
        }
        window->markDestroyed();  // never shown: still takes no more events
    });
}

MessageAnswer QtWindowSystem::messageBox(Window* owner, const Text& message, const Text& title,
                                         MessageStyle style) {
    MessageAnswer answer = style == MessageStyle::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    runOnUi([&] {
        QMessageBox box(ownerWidget(owner));
        box.setWindowTitle(toQt(title));
        box.setText(toQtLines(message));
        box.setWindowModality(Qt::ApplicationModal);
        if (style == MessageStyle::YesNoQuestion) {
            box.setIcon(QMessageBox::Question);
            QPushButton* yes = box.addButton(toQt(gbk(u8"是(&Y)")), QMessageBox::YesRole);
            QPushButton* no = box.addButton(toQt(gbk(u8"否(&N)")), QMessageBox::NoRole);
            box.setDefaultButton(yes);
            box.setEscapeButton(no);
            box.exec();
            answer = box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
        } else {
            box.setIcon(QMessageBox::NoIcon);
            QPushButton* ok = box.addButton(toQt(gbk(u8"确定")), QMessageBox::AcceptRole);
            box.setDefaultButton(ok);
            box.setEscapeButton(ok);
            box.exec();
            answer = MessageAnswer::Ok;
        }
    });
    return answer;
}

Text QtWindowSystem::fileDialog(Window* owner, const FileDialogRequest& request) {
    Text result;
    runOnUi([&] {
        QFileDialog dialog(ownerWidget(owner), toQt(request.title), toQt(request.initialDirectory));
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        // The callers ask before replacing a file themselves.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        const QStringList filters = nameFilters(request.filter);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            int index = request.filterIndex < 1 ? 1 : request.filterIndex;
            dialog.selectNameFilter(filters.value(index - 1, filters.front()));
        }
        if (!request.defaultName.empty()) dialog.selectFile(toQt(request.defaultName));
        dialog.setWindowModality(Qt::ApplicationModal);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            const QString chosen = dialog.selectedFiles().front();
            // Paths are GBK texts: a name GBK cannot spell would come back with '?' in it and
            // name another file, so such a choice counts as cancelled.
            result = fromQt(chosen);
            if (toQt(result) != chosen) result.clear();
        }
    });
    return result;
}

void QtWindowSystem::setClipboardText(const Text& text) {
    runOnUi([&] { QGuiApplication::clipboard()->setText(toQt(text)); });
}

Text QtWindowSystem::clipboardText() {
    Text t;
    runOnUi([&] { t = fromQt(QGuiApplication::clipboard()->text()); });
    return t;
}

void QtWindowSystem::afterFirstPaint(const WindowPtr& window, std::function<void()> f) {
    if (WindowView* view = viewOf(window.get())) {
        view->afterFirstPaint(std::move(f));
        return;
    }
    QTimer::singleShot(0, qApp, std::move(f));
}

void QtWindowSystem::processPendingEvents() {
    if (onUiThread()) QCoreApplication::processEvents();
}

void QtWindowSystem::processPendingEventsExceptInput() {
    if (onUiThread()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtWindowSystem::endProcess(int code) { std::_Exit(code); }

}  // namespace qx::ui::qt
