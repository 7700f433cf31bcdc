#pragma once
// The platform's window controls and window geometry on Qt widgets. Each
// wraps a widget that the window owns; texts cross as Latin-1, so that every
// byte the program writes reads back unchanged, and line breaks as CR LF.
// Sizes and places are in twips, converted with the screen's logical
// resolution: pixels = twips x dpi / 1440.
#include <QColor>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Geometry.h"

class QAction;
class QFrame;
class QLabel;
class QListWidget;
class QMainWindow;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace platform {

QString ToQt(const std::string& text);       // CR LF becomes a line break
std::string FromQt(const QString& text);     // a line break becomes CR LF
// The colour the window system gives a system colour.
QColor SysColourValue(SysColour colour);

// Twips and pixels on the screen that a widget stands on.
class TwipScale {
public:
    explicit TwipScale(const QWidget* reference) : ref_(reference) {}
    double dpiX() const;
    double dpiY() const;
    int toPxX(int32_t twips) const;
    int toPxY(int32_t twips) const;
    int32_t toTwipsX(int px) const;
    int32_t toTwipsY(int px) const;

private:
    const QWidget* ref_;
};

// The tab order of a window's controls, as a list that controls move in.
class TabOrder {
public:
    void place(QWidget* w, int index);

private:
    std::vector<QPointer<QWidget>> order_;
};

class QtPlaceable : public Placeable {
public:
    QtPlaceable(QWidget* w, const TwipScale& scale, TabOrder* order = nullptr);
    TwipRect bounds() const override;
    void setBounds(const TwipRect& r) override;
    void setVisible(bool on) override;
    bool visible() const override;
    void setTabStop(bool on) override;
    void setTabIndex(int index) override;
    void setBorder(bool on) override;

private:
    QWidget* w_;
    const TwipScale& scale_;
    TabOrder* order_;
};

class QtListBox : public ListBox {
public:
    explicit QtListBox(QListWidget* w) : w_(w) {}
    void setLine(int index, const std::string& text) override;
    void addLine(const std::string& text) override;
    void clear() override;
    int count() const override;
    std::string line(int index) const override;
    int selected() const override;
    void setSelected(int index) override;
    void setFocus() override;

private:
    QListWidget* w_;
};

class QtLabel : public Label {
public:
    // autoSize: the label takes the size of its text at every caption.
    QtLabel(QLabel* w, bool autoSize) : w_(w), autoSize_(autoSize) {}
    void setCaption(const std::string& text) override;
    std::string caption() const override { return caption_; }
    void setColour(SysColour colour) override;

private:
    QLabel* w_;
    bool autoSize_;
    std::string caption_;
};

// The window's title bar text, written like a label's caption.
class QtWindowCaption : public Label {
public:
    explicit QtWindowCaption(QWidget* window) : w_(window) {}
    void setCaption(const std::string& text) override;
    std::string caption() const override;
    void setColour(SysColour) override {}

private:
    QWidget* w_;
};

class QtFrame : public Frame {
public:
    explicit QtFrame(QFrame* w) : w_(w) {}
    void setVisible(bool on) override;
    bool visible() const override;

private:
    QFrame* w_;
};

class QtButton : public Button {
public:
    explicit QtButton(QPushButton* w) : w_(w) {}
    void setCaption(const std::string& text) override;
    std::string caption() const override;
    void setEnabled(bool on) override;
    bool enabled() const override;
    void setFocus() override;
    void setDefault(bool on) override;
    void setCancel(bool on) override { cancel_ = on; }
    bool isDefault() const { return default_; }
    bool isCancel() const { return cancel_; }
    QPushButton* widget() const { return w_; }

private:
    QPushButton* w_;
    bool default_ = false;
    bool cancel_ = false;
};

class QtTextBox : public TextBox {
public:
    explicit QtTextBox(QPlainTextEdit* w) : w_(w) {}
    void setText(const std::string& text) override;
    std::string text() const override;

private:
    QPlainTextEdit* w_;
};

class QtMenuItem : public MenuItem {
public:
    explicit QtMenuItem(QAction* a) : a_(a) {}
    void setChecked(bool on) override;
    bool checked() const override;

private:
    QAction* a_;
};

class QtMessageBox : public MessageBox {
public:
    // parent: the window the box stands over (none at start-up).
    explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
    int show(const std::string& text, const std::string& title, MsgIcon icon, const std::string& detail) override;

private:
    QWidget* parent_;
};

class QtBeeper : public Beeper {
public:
    void beep() override;
};

// A separator line: one pixel high, in a system colour.
class QtLine : public Line {
public:
    QtLine(QWidget* w, const TwipScale& scale, SysColour colour);
    void setEnds(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    int32_t X1() const override { return x1_; }
    int32_t Y1() const override { return y1_; }
    int32_t X2() const override { return x2_; }
    int32_t Y2() const override { return y2_; }

private:
    QWidget* w_;
    const TwipScale& scale_;
    int32_t x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
};

// A main window with a menu bar: its client area is the central widget.
class QtFormGeometry : public FormGeometry {
public:
    QtFormGeometry(QMainWindow* window, const TwipScale& scale) : w_(window), scale_(scale) {}
    int32_t screenWidth() const override;
    int32_t screenHeight() const override;
    int32_t clientWidth() const override;
    int32_t clientHeight() const override;
    TwipRect windowBounds() const override;
    void setWindowBounds(const TwipRect& r) override;
    int32_t twipsPerPixelY() const override;

    // The frame around the window is known only once it shows: bounds set
    // before are set again then, so that the outer size is the one asked for.
    void windowShown();

private:
    void apply(const TwipRect& r);

    QMainWindow* w_;
    const TwipScale& scale_;
    TwipRect pending_;
    bool hasPending_ = false;
};

}  // namespace platform
