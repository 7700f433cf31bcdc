#pragma once
// Controls that keep their state in memory: used by the command-line front
// end (which prints what they hold) and by the tests.
#include <functional>
#include <string>
#include <vector>

#include "platform/Controls.h"

namespace platform {

class MemoryListBox : public ListBox {
public:
    void setLine(int index, const std::string& text) override;
    void addLine(const std::string& text) override { lines.push_back(text); }
    void clear() override { lines.clear(); sel = -1; }
    int count() const override { return static_cast<int>(lines.size()); }
    std::string line(int index) const override;
    int selected() const override { return sel; }
    void setSelected(int index) override { sel = index; }
    void setFocus() override { ++focusCount; }

    std::vector<std::string> lines;
    int sel = -1;
    int focusCount = 0;
    int writes = 0;   // setLine calls, to tell a redraw from none
};

class MemoryLabel : public Label {
public:
    void setCaption(const std::string& text) override { cap = text; }
    std::string caption() const override { return cap; }
    void setColour(SysColour c) override { colour = c; }
    std::string cap;
    SysColour colour = SysColour::ButtonText;
};

class MemoryFrame : public Frame {
public:
    void setVisible(bool on) override { vis = on; }
    bool visible() const override { return vis; }
    bool vis = false;
};

class MemoryButton : public Button {
public:
    void setCaption(const std::string& text) override { cap = text; }
    std::string caption() const override { return cap; }
    void setEnabled(bool on) override { en = on; }
    bool enabled() const override { return en; }
    void setFocus() override { ++focusCount; }
    void setDefault(bool on) override { isDefault = on; }
    void setCancel(bool on) override { isCancel = on; }
    std::string cap;
    bool en = true;
    bool isDefault = false;
    bool isCancel = false;
    int focusCount = 0;
};

class MemoryTextBox : public TextBox {
public:
    void setText(const std::string& t) override { txt = t; ++assignments; }
    std::string text() const override { return txt; }
    std::string txt;
    int assignments = 0;
};

class MemoryMenuItem : public MenuItem {
public:
    void setChecked(bool on) override { chk = on; }
    bool checked() const override { return chk; }
    bool chk = false;
};

// Records every box; an optional hook sees each one as it is shown.
class MemoryMessageBox : public MessageBox {
public:
    int show(const std::string& text, const std::string& title, MsgIcon icon, const std::string& detail) override;
    struct Shown {
        std::string text;
        std::string title;
        MsgIcon icon;
        std::string detail;
    };
    std::vector<Shown> shown;
    std::function<void(const Shown&)> onShow;
};

class MemoryBeeper : public Beeper {
public:
    void beep() override { ++beeps; if (onBeep) onBeep(); }
    int beeps = 0;
    std::function<void()> onBeep;
};

}  // namespace platform
