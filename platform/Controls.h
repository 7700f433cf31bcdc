#pragma once
// The window controls that the program's logic writes to. The Qt window
// implements them on widgets; the command line and the tests use the
// in-memory versions of MemoryControls.h.
#include <string>

namespace platform {

// System colours the program paints text with.
enum class SysColour { ButtonText, GrayText, ButtonShadow, ButtonHighlight };

class ListBox {
public:
    virtual ~ListBox() = default;
    virtual void setLine(int index, const std::string& text) = 0;
    virtual void addLine(const std::string& text) = 0;
    virtual void clear() = 0;
    virtual int count() const = 0;
    virtual std::string line(int index) const = 0;
    // The selected line, -1 when none.
    virtual int selected() const = 0;
    virtual void setSelected(int index) = 0;
    virtual void setFocus() = 0;
};

class Label {
public:
    virtual ~Label() = default;
    virtual void setCaption(const std::string& text) = 0;
    virtual std::string caption() const = 0;
    virtual void setColour(SysColour colour) = 0;
};

class Frame {
public:
    virtual ~Frame() = default;
    virtual void setVisible(bool on) = 0;
    virtual bool visible() const = 0;
};

class Button {
public:
    virtual ~Button() = default;
    virtual void setCaption(const std::string& text) = 0;
    virtual std::string caption() const = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;
    virtual void setFocus() = 0;
    // Enter presses the default button, Escape the cancel button.
    virtual void setDefault(bool on) = 0;
    virtual void setCancel(bool on) = 0;
};

class TextBox {
public:
    virtual ~TextBox() = default;
    virtual void setText(const std::string& text) = 0;
    virtual std::string text() const = 0;
};

class MenuItem {
public:
    virtual ~MenuItem() = default;
    virtual void setChecked(bool on) = 0;
    virtual bool checked() const = 0;
};

enum class MsgIcon { Critical, Information };

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Shows a modal box with an OK button; returns the button's code. The
    // detail (the system's own reason, "" for none) is offered beside the
    // text, never in its place.
    virtual int show(const std::string& text, const std::string& title, MsgIcon icon,
                     const std::string& detail) = 0;
};

class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

}  // namespace platform
