#include "tests/gui/GuiRig.h"

#include <QFrame>
#include <QListWidget>
#include <QPushButton>
#include <QApplication>
#include <QMessageBox>
#include <sstream>

#include "model/clsIndOp_RigTavik.h"

std::string State(MainWindow& w)
{
    std::string s;
    for (int f : {0, 1, 3})
        s += w.fra01(f)->isHidden() ? '-' : 'F';
    s += ' ';
    for (int b = 0; b < 3; ++b)
        s += w.cmd00(b)->isEnabled() ? 'E' : '-';
    return s;
}

BoxCatcher::BoxCatcher()
{
    // A modal box runs its own event loop; the timer still fires inside it.
    QObject::connect(&poll, &QTimer::timeout, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        boxes.push_back({box->text(), box->windowTitle(), static_cast<int>(box->icon()), box->detailedText()});
        box->button(QMessageBox::Ok)->click();
    });
    poll.start(20);
}

GuiRig::GuiRig(std::vector<std::string> simArgs)
{
    options.settingsFolder = dir.path();
    options.lockPath = dir.file("dorvel-adj.lock");
    options.backupFolder = dir.file("backups");
    if (!simArgs.empty()) {
        simArgs.insert(simArgs.end(), {"--log", log});
        sim = std::make_unique<SimProcess>(simArgs);
        options.demoDevice = sim->device();
    }
}

bool GuiRig::start()
{
    desk.reset();
    desk = std::make_unique<DesktopApp>(options);
    return desk->start() && QTest::qWaitForWindowExposed(&w());
}

void GuiRig::keyOnLine(int row, Qt::Key key)
{
    w().lboConsole()->setFocus();
    w().lboConsole()->setCurrentRow(row);
    QTest::keyClick(w().lboConsole(), key);
}

bool GuiRig::quiet()
{
    return WaitFor([this] {
        clsIndOp_RigTavik& m = app().model();
        for (int16_t i = 0; i < m.myConsole.ListCount(); ++i)
            if (m.myConsole.flgChanged(i) || m.myConsole.flgEnterOn(i))
                return false;
        return m.RigTavikProp_EditEnabled() && !app().seq().OpRunning() && m.waitE8Ms == 0 && !m.reloadActive;
    });
}

std::vector<std::string> GuiRig::pcFrames() const
{
    std::vector<std::string> frames;
    std::istringstream in(ReadFile(log));
    for (std::string line; std::getline(in, line);) {
        std::istringstream l(line);
        std::string ms, side, hex;
        if (l >> ms >> side >> hex && side == "pc")
            frames.push_back(hex);
    }
    return frames;
}

int GuiRig::waitForFrame(size_t from, const std::string& prefix, int ms) const
{
    int found = -1;
    WaitFor([&] {
        const std::vector<std::string> f = pcFrames();
        for (size_t i = from; i < f.size() && found < 0; ++i)
            if (f[i].rfind(prefix, 0) == 0)
                found = static_cast<int>(i);
        return found >= 0;
    }, ms);
    return found;
}
