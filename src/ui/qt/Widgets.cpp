#include "ui/qt/Widgets.h"

#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/imaging/ImageCodec.h"
#include "text/CodePages.h"
#include "text/Strings.h"
#include "ui/qt/GbkText.h"

namespace qx::ui::qt {

namespace {

const QColor kText(34, 38, 46);
const QColor kDisabledText(150, 154, 160);
const QColor kBorder(183, 195, 211);
const QColor kAccent(64, 132, 230);

qreal opacityOf(int alpha) { return std::clamp(alpha, 0, 255) / 255.0; }

void prepare(QPainter& p, int alpha) {
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    p.setOpacity(opacityOf(alpha));
}

}  // namespace

// ---- DragMover ----

void DragMover::press(QWidget* w, QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    pressed_ = true;
    dragging_ = false;
    pressGlobal_ = e->globalPosition().toPoint();
    windowStart_ = w->window()->pos();
}

bool DragMover::move(QWidget* w, QMouseEvent* e) {
    if (!pressed_) return false;
    QPoint delta = e->globalPosition().toPoint() - pressGlobal_;
    if (!dragging_ && delta.manhattanLength() < 4) return false;
    dragging_ = true;
    w->window()->move(windowStart_ + delta);
    return true;
}

bool DragMover::release(QWidget* w, QMouseEvent* e) {
    bool wasClick = pressed_ && !dragging_ && e->button() == Qt::LeftButton &&
                    w->rect().contains(e->position().toPoint());
    pressed_ = false;
    dragging_ = false;
    return wasClick;
}

void setWidgetAlpha(QWidget* w, int alpha) {
    alpha = std::clamp(alpha, 0, 255);
    if (alpha == 255) {
        w->setGraphicsEffect(nullptr);
        return;
    }
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(w->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(w);
        w->setGraphicsEffect(effect);
    }
    effect->setOpacity(opacityOf(alpha));
}

// ---- SkinButton ----

SkinButton::SkinButton(Look look, QWidget* parent) : QAbstractButton(parent), look_(look) {
    setCursor(Qt::PointingHandCursor);
    // Reachable with Tab; Space (the base class) and Enter press it.
    setFocusPolicy(Qt::TabFocus);
}

void SkinButton::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(e);
}

void SkinButton::setAlpha(int a) {
    alpha_ = a;
    update();
}

void SkinButton::enterEvent(QEnterEvent* e) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(e);
}

void SkinButton::leaveEvent(QEvent* e) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(e);
}

void SkinButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    prepare(p, alpha_);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool down = isDown();
    if (look_ == Look::Close) {
        if (hover_ || down) {
            p.setPen(Qt::NoPen);
            p.setBrush(down ? QColor(196, 43, 28) : QColor(232, 17, 35));
            p.drawEllipse(r.adjusted(2, 2, -2, -2));
        }
        const QPointF c = r.center();
        const qreal k = std::min(r.width(), r.height()) * 0.18;
        p.setPen(QPen(hover_ || down ? Qt::white : QColor(90, 96, 106), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + QPointF(-k, -k), c + QPointF(k, k));
        p.drawLine(c + QPointF(-k, k), c + QPointF(k, -k));
        return;
    }
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (!isEnabled()) {
        g.setColorAt(0, QColor(242, 243, 245));
        g.setColorAt(1, QColor(232, 234, 237));
    } else if (down) {
        g.setColorAt(0, QColor(196, 220, 250));
        g.setColorAt(1, QColor(214, 232, 252));
    } else if (hover_) {
        g.setColorAt(0, QColor(244, 249, 255));
        g.setColorAt(1, QColor(220, 234, 253));
    } else {
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(1, QColor(233, 238, 245));
    }
    p.setPen(QPen(hover_ && isEnabled() ? kAccent : kBorder, 1));
    p.setBrush(g);
    const qreal radius = std::min<qreal>(4, r.height() / 2);
    p.drawRoundedRect(r, radius, radius);
    p.setPen(isEnabled() ? kText : kDisabledText);
    p.setFont(font());
    p.drawText(rect().adjusted(2, 0, -2, 0), Qt::AlignCenter | Qt::TextSingleLine, text());
}

// ---- SkinLabel ----

SkinLabel::SkinLabel(bool centered, QWidget* parent) : QWidget(parent), centered_(centered) {}

void SkinLabel::setCaption(const QString& s) {
    if (s == caption_) return;
    caption_ = s;
    update();
}

void SkinLabel::setAlpha(int a) {
    alpha_ = a;
    update();
}

void SkinLabel::paintEvent(QPaintEvent*) {
    if (caption_.isEmpty()) return;
    QPainter p(this);
    prepare(p, alpha_);
    p.setPen(isEnabled() ? kText : kDisabledText);
    p.setFont(font());
    int flags = Qt::TextWordWrap | Qt::AlignVCenter | (centered_ ? Qt::AlignHCenter : Qt::AlignLeft);
    QString shown = caption_;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    p.drawText(rect(), flags, shown);
}

void SkinLabel::mousePressEvent(QMouseEvent* e) { drag_.press(this, e); }
void SkinLabel::mouseMoveEvent(QMouseEvent* e) { drag_.move(this, e); }
void SkinLabel::mouseReleaseEvent(QMouseEvent* e) {
    if (drag_.release(this, e) && onClick) onClick();
}

// ---- Edit boxes ----

namespace {
const char* kEditStyle =
    "border: 1px solid #b7c3d3; border-radius: 3px; background: #ffffff; color: #22262e;"
    "selection-background-color: #4084e6; selection-color: #ffffff;";
}

LineEditBox::LineEditBox(QWidget* parent) : QLineEdit(parent) {
    setStyleSheet(QStringLiteral("QLineEdit { %1 padding: 0 4px; } QLineEdit:focus { border-color: #4084e6; }"
                                 "QLineEdit:disabled { background: #f0f2f5; color: #969aa0; }")
                      .arg(QLatin1String(kEditStyle)));
    setMaxLength(1 << 30);  // the model keeps any length; so does the box
    setAttribute(Qt::WA_InputMethodEnabled);
    QObject::connect(this, &QLineEdit::textEdited, [this](const QString& s) {
        if (onUserEdit) onUserEdit(s);
    });
}

void LineEditBox::setPlainText(const QString& s) {
    if (s != text()) setText(s);
}

TextEditBox::TextEditBox(QWidget* parent) : QPlainTextEdit(parent) {
    setStyleSheet(
        QStringLiteral("QPlainTextEdit { %1 padding: 2px; } QPlainTextEdit:focus { border-color: #4084e6; }"
                       "QPlainTextEdit:disabled { background: #f0f2f5; color: #969aa0; }")
            .arg(QLatin1String(kEditStyle)));
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAttribute(Qt::WA_InputMethodEnabled);
    QObject::connect(this, &QPlainTextEdit::textChanged, [this] {
        if (applying_ || partial_ || filling_) return;
        edited_ = true;
        if (onUserEdit) onUserEdit(toPlainText());
    });
}

// Wrapping at word boundaries takes time that grows with the square of a run without a break
// opportunity: a megabyte of minified script or base64 on one line would freeze the window for
// minutes. Texts with such runs wrap anywhere instead, which takes linear time.
bool needsWrapAnywhere(std::string_view gbkText) {
    constexpr int kLongestWord = 4096;
    int run = 0;
    for (std::size_t i = 0; i < gbkText.size(); ++i) {
        const auto b = static_cast<unsigned char>(gbkText[i]);
        if (isGbkLead(b) && i + 1 < gbkText.size()) {  // Chinese text breaks between its characters
            run = 0;
            ++i;
        } else if (b == ' ' || b == '\t' || b == '\r' || b == '\n') {
            run = 0;
        } else if (++run > kLongestWord) {
            return true;
        }
    }
    return false;
}

// A line is laid out in one go (128 KB of one line take the view 50-70 ms): an answer of
// megabytes on one line would freeze the window, so the box shows it in lines of bounded length.
QString breakLongLines(const QString& s, int longest, int& run, bool& broke) {
    QString out;
    bool copying = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == QLatin1Char('\n')) {
            run = 0;
        } else if (run >= longest && !c.isLowSurrogate()) {
            if (!copying) {
                out.reserve(s.size() + s.size() / longest + 1);
                out.append(QStringView(s).left(i));
                copying = true;
            }
            out.append(QLatin1Char('\n'));
            broke = true;
            run = 0;
        }
        if (copying) out.append(c);
        if (c != QLatin1Char('\n')) ++run;
    }
    return copying ? out : s;
}

namespace {

// Bytes of the text converted and laid out per event-loop turn.
constexpr std::size_t kFillPieceBytes = 32 * 1024;

// Where a piece that starts at from ends: after the last line break within the size, else (one
// long line) after the last whole character within it that is no CR, whose LF may follow.
std::size_t pieceEnd(const Text& s, std::size_t from) {
    if (s.size() - from <= kFillPieceBytes) return s.size();
    const std::size_t limit = from + kFillPieceBytes;
    const std::size_t lf = s.rfind('\n', limit - 1);
    if (lf != Text::npos && lf >= from) return lf + 1;
    std::size_t end = from;
    for (std::size_t i = from; i < limit;) {
        const std::size_t step = isGbkLead(static_cast<unsigned char>(s[i])) ? 2 : 1;
        if (i + step > limit) break;
        i += step;
        if (s[i - 1] != '\r') end = i;
    }
    return end > from ? end : limit;
}

// The length of a whole number of characters of the GBK text from its start, at most limit.
std::size_t wholeCharacters(const Text& s, std::size_t limit) {
    std::size_t end = 0;
    for (std::size_t i = 0; i < std::min(limit, s.size());) {
        const std::size_t step = isGbkLead(static_cast<unsigned char>(s[i])) ? 2 : 1;
        if (i + step > limit) break;
        i += step;
        end = i;
    }
    return end;
}

QString sizeText(std::size_t bytes) {
    if (bytes < (std::size_t{1} << 20))
        return QString::number(bytes / 1024.0, 'g', 4) + QStringLiteral(" KB");
    return QString::number(bytes / 1048576.0, 'g', 4) + QStringLiteral(" MB");
}

}  // namespace

QString TextEditBox::plainText() const {
    if (!filling_) return toPlainText();
    QString rest = toQtLines(source_.substr(next_));
    int run = run_;
    bool broke = false;
    return toPlainText() + breakLongLines(rest, kLongestShownLine, run, broke);
}

void TextEditBox::setPlainText(const QString& s) {
    Text text = fromQtLines(s);
    const std::size_t size = text.size();
    setModelText(std::move(text), size);
}

void TextEditBox::setModelText(Text gbkText, std::size_t wholeBytes) {
    // A part ends after a whole character: a lead byte left alone would show as garbage.
    if (gbkText.size() < wholeBytes) gbkText.resize(wholeCharacters(gbkText, gbkText.size()));
    if (!edited_ && gbkText == source_ && wholeBytes == whole_) return;
    ++generation_;
    source_ = std::move(gbkText);
    whole_ = wholeBytes;
    edited_ = false;
    next_ = 0;
    run_ = 0;
    partial_ = source_.size() < whole_;
    filling_ = true;
    applying_ = true;
    // The pieces are no steps the user could undo.
    document()->setUndoRedoEnabled(false);
    QPlainTextEdit::setPlainText(QString());
    setWordWrapMode(needsWrapAnywhere(source_) ? QTextOption::WrapAnywhere
                                               : QTextOption::WrapAtWordBoundaryOrAnywhere);
    applying_ = false;
    appendPiece();
}

void TextEditBox::appendPiece() {
    const std::size_t end = pieceEnd(source_, next_);
    bool broke = false;
    QString piece =
        breakLongLines(toQtLines(source_.substr(next_, end - next_)), kLongestShownLine, run_, broke);
    if (broke) partial_ = true;
    next_ = end;
    if (next_ >= source_.size() && source_.size() < whole_)
        piece += QStringLiteral("\n\n") + toQt(gbk(u8"[ 文本过长，这里只显示了前 ")) +
                 sizeText(source_.size()) + toQt(gbk(u8"，共 ")) + sizeText(whole_) + QStringLiteral(" ]");
    applying_ = true;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(piece);
    applying_ = false;
    if (next_ < source_.size()) {
        appendLater();
    } else {
        filling_ = false;
        document()->setUndoRedoEnabled(true);
    }
    updateReadOnly();
}

void TextEditBox::appendLater() {
    QTimer::singleShot(0, this, [this, generation = generation_] {
        if (generation != generation_ || !filling_) return;  // replaced meanwhile
        appendPiece();
    });
}

// ---- PictureBox ----

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

namespace {
std::atomic<SharperPictureSource> gSharperSource{nullptr};
}  // namespace

void setSharperPictureSource(SharperPictureSource source) { gSharperSource = source; }

namespace {

// The decoded pixels become the image's own, premultiplied in place: no second copy of a
// picture that may be a megabyte (the skin), so start-up touches that much less memory.
QImage adoptPixels(platform::RgbaImage&& rgba) {
    auto* pixels = new std::vector<std::uint8_t>(std::move(rgba.pixels));
    std::uint8_t* p = pixels->data();
    for (std::size_t i = 0; i < pixels->size(); i += 4) {
        const unsigned a = p[i + 3];
        // Most pixels of a drawing are opaque: nothing to multiply.
        const auto times = [a](unsigned c) {
            return a == 255 ? static_cast<std::uint8_t>(c) : static_cast<std::uint8_t>((c * a + 127) / 255);
        };
        const std::uint8_t r = times(p[i]), g = times(p[i + 1]), b = times(p[i + 2]);
        // Format_ARGB32_Premultiplied is 0xAARRGGBB in the machine's byte order.
        const std::uint32_t argb =
            (std::uint32_t{a} << 24) | (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
        std::memcpy(p + i, &argb, 4);
    }
    return QImage(
        p, rgba.width, rgba.height, rgba.width * 4, QImage::Format_ARGB32_Premultiplied,
        [](void* owned) { delete static_cast<std::vector<std::uint8_t>*>(owned); }, pixels);
}

// Recent pictures, newest first: the windows show the same few again and again (every window
// the same skin). Bounded by their pixels, so a large picture does not stay in memory for long.
class RecentPictures {
  public:
    bool find(const std::vector<unsigned char>& bytes, QImage& image) {
        std::lock_guard lock(mutex_);
        for (auto it = recent_.begin(); it != recent_.end(); ++it) {
            if (it->bytes != bytes) continue;
            Entry hit = std::move(*it);
            recent_.erase(it);
            recent_.push_front(std::move(hit));
            image = recent_.front().image;  // shares the pixels
            return true;
        }
        return false;
    }
    void add(const std::vector<unsigned char>& bytes, const QImage& image) {
        const qsizetype size = image.sizeInBytes();
        if (size > kBudget / 2) return;
        std::lock_guard lock(mutex_);
        recent_.push_front({bytes, image});
        total_ += size;
        while (recent_.size() > 8 || total_ > kBudget) {
            total_ -= recent_.back().image.sizeInBytes();
            recent_.pop_back();
        }
    }

  private:
    static constexpr qsizetype kBudget = qsizetype{32} << 20;
    struct Entry {
        std::vector<unsigned char> bytes;
        QImage image;
    };
    std::mutex mutex_;
    std::deque<Entry> recent_;
    qsizetype total_ = 0;
};

RecentPictures& recentPictures() {
    static auto* recent = new RecentPictures;  // decoding threads may outlive static destruction
    return *recent;
}

bool onDenserScreen() { return qGuiApp && qGuiApp->devicePixelRatio() > 1; }

// The decode itself; Qt's own readers only with qtFallback, on the UI thread (their plugins
// belong to it).
QImage decodeNewPicture(const std::vector<unsigned char>& bytes, bool denser, bool qtFallback) {
    std::span<const unsigned char> source(bytes);
    qreal ratio = 1;
    const SharperPictureSource sharper = gSharperSource;
    if (sharper && denser) {
        const std::span<const unsigned char> sharp = sharper(source);
        if (!sharp.empty()) {
            source = sharp;
            ratio = 2;
        }
    }
    // Our own decoders first: Qt's image reader loads every image plugin it has (a dozen
    // libraries) on its first use, even when told the format.
    QImage image;
    platform::RgbaImage rgba;
    if (platform::decodeImage(source, rgba)) {
        image = adoptPixels(std::move(rgba));
    } else if (qtFallback) {
        image = QImage::fromData(source.data(), static_cast<int>(source.size()))
                    .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    image.setDevicePixelRatio(ratio);
    recentPictures().add(bytes, image);
    return image;
}

// Pictures decoded away from the UI thread, one after another, by one thread that lives as
// long as the process.
class PictureThread {
  public:
    static PictureThread& instance() {
        static auto* thread = new PictureThread;
        return *thread;
    }
    void post(std::function<void()> job) {
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        wake_.notify_one();
    }

  private:
    PictureThread() {
        std::thread([this] {
            for (;;) {
                std::function<void()> job;
                {
                    std::unique_lock lock(mutex_);
                    wake_.wait(lock, [this] { return !jobs_.empty(); });
                    job = std::move(jobs_.front());
                    jobs_.pop_front();
                }
                job();
            }
        }).detach();
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
};

// Small enough to decode in place: a drawing of the program's own, an icon. Anything larger,
// or of unknown size, may take long (a server may send a 4096 x 4096 picture).
constexpr std::int64_t kInPlacePixels = 512 * 512;

bool decodesInPlace(const std::vector<unsigned char>& bytes) {
    if (platform::sniffImage(bytes) == platform::ImageKind::Unknown) return true;  // Qt's readers
    std::int64_t width = 0, height = 0;
    return platform::headerImageSize(bytes, width, height) && width * height <= kInPlacePixels;
}

}  // namespace

QImage decodePicture(const std::vector<unsigned char>& bytes) {
    if (bytes.empty()) return QImage();
    QImage image;
    if (recentPictures().find(bytes, image)) return image;
    return decodeNewPicture(bytes, onDenserScreen(), true);
}

void decodeAhead(const std::vector<std::vector<unsigned char>>& pictures) {
    const bool denser = onDenserScreen();
    for (const std::vector<unsigned char>& bytes : pictures) {
        if (bytes.empty()) continue;
        PictureThread::instance().post([bytes, denser] {
            QImage known;
            if (!recentPictures().find(bytes, known)) decodeNewPicture(bytes, denser, false);
        });
    }
}

void PictureBox::setImageBytes(const std::vector<unsigned char>& bytes) {
    const unsigned generation = ++generation_;
    QImage cached;
    if (bytes.empty() || recentPictures().find(bytes, cached) || decodesInPlace(bytes)) {
        decoding_ = false;
        image_ = bytes.empty() || !cached.isNull() ? cached : decodePicture(bytes);
        update();
        return;
    }
    decoding_ = true;
    image_ = QImage();
    update();
    QPointer<PictureBox> box(this);
    PictureThread::instance().post([box, bytes, generation, denser = onDenserScreen()] {
        QImage image = decodeNewPicture(bytes, denser, false);
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return;
        // Back on the UI thread; a box that is gone or got newer bytes takes nothing.
        QMetaObject::invokeMethod(
            app,
            [box, image = std::move(image), generation] {
                if (!box || box->generation_ != generation) return;
                box->decoding_ = false;
                box->image_ = image;
                box->update();
            },
            Qt::QueuedConnection);
    });
}

QRect PictureBox::pictureRect() const {
    if (image_.isNull()) return {};
    QSize s = image_.deviceIndependentSize().toSize().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s);
}

void PictureBox::setAlpha(int a) {
    alpha_ = a;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (image_.isNull()) return;
    QPainter p(this);
    prepare(p, alpha_);
    p.drawImage(pictureRect(), image_);
}

void PictureBox::mousePressEvent(QMouseEvent* e) { pressed_ = e->button() == Qt::LeftButton; }

void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
    bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    if (click && onClick) onClick();
}

// ---- GroupBox ----

GroupBox::GroupBox(QWidget* parent) : QWidget(parent) {}

void GroupBox::setCaption(const QString& s) {
    caption_ = s;
    update();
}

void GroupBox::setAlpha(int a) {
    alpha_ = a;
    update();
}

void GroupBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    prepare(p, alpha_);
    // A box that overhangs its container draws its frame inside the visible part.
    QRect visible = rect();
    if (parentWidget()) visible &= parentWidget()->rect().translated(-pos());
    const QFontMetrics fm(font());
    const int top = caption_.isEmpty() ? 1 : fm.height() / 2;
    QRectF frame = QRectF(visible).adjusted(0.5, top + 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(frame, 4, 4);
    p.setPen(QPen(QColor(201, 209, 220), 1));
    p.setBrush(QColor(255, 255, 255, 60));
    if (!caption_.isEmpty()) {
        // Leave a gap in the top edge for the caption.
        QRect textRect(10, 0, fm.horizontalAdvance(caption_) + 8, fm.height());
        p.save();
        QRegion clip = QRegion(rect()).subtracted(QRegion(textRect));
        p.setClipRegion(clip);
        p.drawPath(path);
        p.restore();
        p.setPen(kText);
        p.setFont(font());
        p.drawText(textRect, Qt::AlignCenter, caption_);
    } else {
        p.drawPath(path);
    }
}

// ---- TabControl ----

TabControl::TabControl(int pageCount, QWidget* parent) : QWidget(parent) {
    for (int i = 0; i < std::max(pageCount, 1); ++i) {
        auto* page = new QWidget(this);
        page->setObjectName(QStringLiteral("page%1").arg(i));
        page->setVisible(i == 0);
        pages_.push_back(page);
    }
}

QWidget* TabControl::page(int index) const {
    return index >= 0 && index < pageCount() ? pages_[static_cast<std::size_t>(index)] : nullptr;
}

void TabControl::setCurrentPage(int index) {
    if (index < 0 || index >= pageCount()) return;
    current_ = index;
    for (int i = 0; i < pageCount(); ++i) pages_[static_cast<std::size_t>(i)]->setVisible(i == index);
}

void TabControl::resizeEvent(QResizeEvent*) {
    for (QWidget* page : pages_) page->setGeometry(rect());
}

// ---- ChoiceBox ----

ChoiceBox::ChoiceBox(Look look, QWidget* parent) : QAbstractButton(parent), look_(look) {
    setCheckable(true);
    setAutoExclusive(false);  // the model keeps radio groups exclusive
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void ChoiceBox::setAlpha(int a) {
    alpha_ = a;
    update();
}

void ChoiceBox::nextCheckState() {
    if (look_ == Look::Radio)
        setChecked(true);
    else
        QAbstractButton::nextCheckState();
}

void ChoiceBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    prepare(p, alpha_);
    const int box = 14;
    const QRectF ind(1.5, (height() - box) / 2.0 + 0.5, box - 1, box - 1);
    const bool on = isChecked();
    const QColor edge = isEnabled() ? (on ? kAccent : QColor(140, 150, 165)) : kDisabledText;
    switch (look_) {
        case Look::Radio:
            p.setPen(QPen(edge, 1));
            p.setBrush(Qt::white);
            p.drawEllipse(ind);
            if (on) {
                p.setPen(Qt::NoPen);
                p.setBrush(edge);
                p.drawEllipse(ind.adjusted(3.5, 3.5, -3.5, -3.5));
            }
            break;
        case Look::Check:
            p.setPen(QPen(edge, 1));
            p.setBrush(Qt::white);
            p.drawRect(ind);
            if (on) {
                p.setPen(QPen(edge, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.drawPolyline(QPolygonF({ind.topLeft() + QPointF(3, 6.5), ind.topLeft() + QPointF(5.5, 9.5),
                                          ind.topLeft() + QPointF(10, 3.5)}));
            }
            break;
        case Look::QqCheck:
            // The QQ-style box: rounded, filled blue with a white tick when on.
            p.setPen(QPen(QColor(18, 150, 219), 1));
            p.setBrush(on ? QColor(18, 150, 219) : QColor(236, 246, 253));
            p.drawRoundedRect(ind, 4, 4);
            if (on) {
                p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.drawPolyline(QPolygonF({ind.topLeft() + QPointF(3, 6.5), ind.topLeft() + QPointF(5.5, 9),
                                          ind.topLeft() + QPointF(10, 4)}));
            }
            break;
    }
    p.setPen(isEnabled() ? kText : kDisabledText);
    p.setFont(font());
    p.drawText(QRect(box + 5, 0, width() - box - 5, height()),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

// ---- ProgressBar ----

ProgressBar::ProgressBar(int maximum, QWidget* parent) : QWidget(parent), maximum_(std::max(maximum, 1)) {}

void ProgressBar::setValue(int v) {
    value_ = std::clamp(v, 0, maximum_);
    update();
}

void ProgressBar::setAlpha(int a) {
    alpha_ = a;
    update();
}

void ProgressBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    prepare(p, alpha_);
    const qreal fraction = static_cast<qreal>(value_) / maximum_;
    if (isRing()) {
        const qreal thick = std::max<qreal>(6, width() / 14.0);
        QRectF r = QRectF(rect()).adjusted(thick / 2 + 1, thick / 2 + 1, -thick / 2 - 1, -thick / 2 - 1);
        p.setPen(QPen(QColor(222, 228, 236), thick, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(r);
        if (value_ > 0) {
            QConicalGradient g(r.center(), 90);
            g.setColorAt(0, QColor(64, 160, 255));
            g.setColorAt(1, QColor(40, 100, 220));
            p.setPen(QPen(QBrush(g), thick, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(r, 90 * 16, -static_cast<int>(fraction * 360 * 16));  // clockwise from the top
        }
        return;
    }
    QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min<qreal>(4, r.height() / 2);
    p.setPen(QPen(kBorder, 1));
    p.setBrush(QColor(232, 236, 242));
    p.drawRoundedRect(r, radius, radius);
    if (value_ > 0) {
        QRectF fill = r.adjusted(1, 1, -1, -1);
        fill.setWidth(fill.width() * fraction);
        QLinearGradient g(fill.topLeft(), fill.bottomLeft());
        g.setColorAt(0, QColor(100, 170, 250));
        g.setColorAt(1, QColor(50, 120, 225));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(fill, radius, radius);
    }
}

}  // namespace qx::ui::qt
