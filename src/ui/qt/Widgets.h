#pragma once
// One widget class per control kind of the layouts, each drawn in our own skin.
#include <QAbstractButton>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "core/Text.h"

namespace qx::ui::qt {

// Moves the top-level window while the mouse is dragged from a control's background; a press
// that does not move counts as a click.
class DragMover {
  public:
    void press(QWidget* w, QMouseEvent* e);
    // True while dragging (the mouse moved far enough after the press).
    bool move(QWidget* w, QMouseEvent* e);
    // True when the press ended as a click (released inside, never dragged).
    bool release(QWidget* w, QMouseEvent* e);

  private:
    bool pressed_ = false;
    bool dragging_ = false;
    QPoint pressGlobal_;
    QPoint windowStart_;
};

// Opacity of a control 0..255: painted widgets fade themselves, others get an opacity effect.
void setWidgetAlpha(QWidget* w, int alpha);

// Decodes picture bytes (PNG, JPEG, BMP, GIF, ICO) as premultiplied ARGB. The pictures the
// windows show repeat (every window shows the same skin), so recent results are kept and shared.
// On a screen with more than one device pixel per pixel, the picture's 2x drawing where the
// program has one (the image then carries device pixel ratio 2).
QImage decodePicture(const std::vector<unsigned char>& bytes);
// Decodes pictures on the picture thread before their first use, into the results decodePicture
// finds: the first window's pictures while the UI thread still sets up its fonts.
void decodeAhead(const std::vector<std::vector<unsigned char>>& pictures);

// Where 2x drawings come from: given a picture's bytes, those of its 2x drawing, or empty.
using SharperPictureSource = std::span<const unsigned char> (*)(std::span<const unsigned char>);
void setSharperPictureSource(SharperPictureSource source);

class SkinButton : public QAbstractButton {
  public:
    enum class Look { Normal, Close };
    SkinButton(Look look, QWidget* parent);
    int alpha() const { return alpha_; }
    void setAlpha(int a);

  protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    Look look_;
    int alpha_ = 255;
    bool hover_ = false;
};

class SkinLabel : public QWidget {
  public:
    SkinLabel(bool centered, QWidget* parent);
    void setCaption(const QString& s);
    QString caption() const { return caption_; }
    void setAlpha(int a);
    std::function<void()> onClick;

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

  private:
    QString caption_;
    bool centered_;
    int alpha_ = 255;
    DragMover drag_;
};

// The edit box's common face, one line or several.
class EditBox {
  public:
    virtual ~EditBox() = default;
    virtual QWidget* widget() = 0;
    virtual QString plainText() const = 0;
    virtual void setPlainText(const QString& s) = 0;
    std::function<void(const QString&)> onUserEdit;  // the user changed the text
};

class LineEditBox : public QLineEdit, public EditBox {
  public:
    explicit LineEditBox(QWidget* parent);
    QWidget* widget() override { return this; }
    QString plainText() const override { return text(); }
    void setPlainText(const QString& s) override;
};

// True for a GBK text with a run of more than 4096 characters without a break opportunity; the
// multi-line box wraps such a text anywhere, as wrapping at word boundaries would freeze it.
bool needsWrapAnywhere(std::string_view gbkText);
// The text with a line break put after every `longest` characters of a longer line (never inside
// a surrogate pair). run: the length of the line the text continues, and then of its last line;
// broke tells whether any break was put.
QString breakLongLines(const QString& s, int longest, int& run, bool& broke);

class TextEditBox : public QPlainTextEdit, public EditBox {
  public:
    // How much of the model's text the box shows at most (bytes), and the longest line it lays
    // out in one piece.
    static constexpr std::size_t kShownTextBytes = std::size_t{2} << 20;
    static constexpr int kLongestShownLine = 16 * 1024;

    explicit TextEditBox(QWidget* parent);
    QWidget* widget() override { return this; }
    // What the box shows (all of it, also while it still fills).
    QString plainText() const override;
    void setPlainText(const QString& s) override;
    // The model's text (GBK, CR LF line ends), or its first part when wholeBytes is larger (then
    // a note of the whole size follows it). A long text shows its beginning at once and the rest
    // is converted and appended piece by piece between events, so the window keeps answering.
    // Lines longer than kLongestShownLine are shown broken up. The box takes no typing while it
    // fills or shows anything but the whole text as it is, and then writes nothing back.
    void setModelText(Text gbkText, std::size_t wholeBytes);
    bool filling() const { return filling_; }
    bool partial() const { return partial_; }

  private:
    void appendPiece();
    void appendLater();
    void updateReadOnly() { setReadOnly(filling_ || partial_); }

    bool applying_ = false;
    bool filling_ = false;
    bool partial_ = false;
    bool edited_ = false;  // typed into since the program last set the text
    unsigned generation_ = 0;
    Text source_;  // the text given, GBK
    std::size_t whole_ = 0;
    std::size_t next_ = 0;  // where the next piece of source_ starts
    int run_ = 0;           // length of the last shown line so far
};

class PictureBox : public QWidget {
  public:
    explicit PictureBox(QWidget* parent);
    // Decodes PNG, JPEG, BMP, GIF or ICO bytes; empty or undecodable bytes clear the box. A
    // picture that is not known to be small (a server's, say) is decoded off the UI thread and
    // shown when it is ready, unless newer bytes came meanwhile; until then the box is empty.
    void setImageBytes(const std::vector<unsigned char>& bytes);
    const QImage& image() const { return image_; }
    bool decoding() const { return decoding_; }
    // Where the picture is drawn: scaled to fit, aspect kept, centred.
    QRect pictureRect() const;
    void setAlpha(int a);
    std::function<void()> onClick;

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

  private:
    QImage image_;
    int alpha_ = 255;
    bool pressed_ = false;
    bool decoding_ = false;
    unsigned generation_ = 0;
};

class GroupBox : public QWidget {
  public:
    explicit GroupBox(QWidget* parent);
    void setCaption(const QString& s);
    QString caption() const { return caption_; }
    void setAlpha(int a);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override { e->ignore(); }  // the window drags

  private:
    QString caption_;
    int alpha_ = 255;
};

// Pages switched only by the program: no tab bar is shown.
class TabControl : public QWidget {
  public:
    TabControl(int pageCount, QWidget* parent);
    QWidget* page(int index) const;
    int pageCount() const { return static_cast<int>(pages_.size()); }
    int currentPage() const { return current_; }
    void setCurrentPage(int index);  // out of range: ignored

  protected:
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override { e->ignore(); }

  private:
    std::vector<QWidget*> pages_;
    int current_ = 0;
};

class ChoiceBox : public QAbstractButton {
  public:
    enum class Look { Radio, Check, QqCheck };
    ChoiceBox(Look look, QWidget* parent);
    Look look() const { return look_; }
    void setAlpha(int a);

  protected:
    void paintEvent(QPaintEvent*) override;
    void nextCheckState() override;  // a radio button stays checked when clicked again

  private:
    Look look_;
    int alpha_ = 255;
};

// A bar, or a ring when the box is square.
class ProgressBar : public QWidget {
  public:
    ProgressBar(int maximum, QWidget* parent);
    void setValue(int v);
    int value() const { return value_; }
    int maximum() const { return maximum_; }
    bool isRing() const { return width() == height(); }
    void setAlpha(int a);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override { e->ignore(); }

  private:
    int value_ = 0;
    int maximum_;
    int alpha_ = 255;
};

}  // namespace qx::ui::qt
