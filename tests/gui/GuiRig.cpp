#include "tests/gui/GuiRig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "model/clsIndOp_RigTavik.h"

bool WaitFor(const std::function<bool()>& pred, int ms)
{
    return QTest::qWaitFor(pred, ms);
}

struct BoxCatcher::Impl {
    QTimer poll;
};

BoxCatcher::BoxCatcher() : impl_(std::make_unique<Impl>())
{
    // A modal box runs its own event loop; the timer still fires inside it.
    QObject::connect(&impl_->poll, &QTimer::timeout, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        boxes.push_back({box->text(), box->windowTitle(), static_cast<int>(box->icon())});
        box->button(QMessageBox::Ok)->click();
    });
    impl_->poll.start(20);
}

BoxCatcher::~BoxCatcher() = default;

namespace {

std::string replaceAll(std::string s, const std::string& from, const std::string& to)
{
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

}  // namespace

GuiRig::GuiRig(const RigOptions& o)
{
    std::vector<std::string> args = o.simArgs;
    args.push_back("--log");
    args.push_back(log);
    sim = std::make_unique<SimProcess>(args);
    if (!o.settings.empty())
        std::ofstream(dir.file("Velmara.rs"), std::ios::binary) << replaceAll(o.settings, "@DEVICE@", sim->device());
    DesktopOptions d;
    d.settingsFolder = dir.path();
    d.lockPath = dir.file("dorvel-adj.lock");
    if (o.demo)
        d.demoDevice = sim->device();
    desk = std::make_unique<DesktopApp>(d);
}

GuiRig::~GuiRig()
{
    desk.reset();
    sim.reset();
}

bool GuiRig::start()
{
    if (!desk->start())
        return false;
    return QTest::qWaitForWindowExposed(&w());
}

bool GuiRig::connect()
{
    QTest::mouseClick(w().cmd00(0), Qt::LeftButton);
    return WaitFor([this] { return app().model().RigTavikProp_EditEnabled(); }, 30000);
}

bool GuiRig::isQuiet()
{
    clsIndOp_RigTavik& m = app().model();
    for (int16_t i = 0; i < m.myConsole.ListCount(); ++i)
        if (m.myConsole.flgChanged(i) || m.myConsole.flgEnterOn(i))
            return false;
    return m.RigTavikProp_EditEnabled() && !app().seq().OpRunning() && m.waitE8Ms == 0;
}

bool GuiRig::quiet(int ms)
{
    return WaitFor([this] { return isQuiet(); }, ms);
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
    WaitFor(
        [&] {
            const std::vector<std::string> f = pcFrames();
            for (size_t i = from; i < f.size(); ++i)
                if (f[i].rfind(prefix, 0) == 0) {
                    found = static_cast<int>(i);
                    return true;
                }
            return false;
        },
        ms);
    return found;
}

std::string GuiRig::E8Frame(int command, int value)
{
    // The value travels as the ASCII characters of its two hex digits.
    const char* digits = "0123456789ABCDEF";
    char buf[64];
    std::snprintf(buf, sizeof buf, "FEFEEEEFE853140100%02X%02X%02XFD", command, digits[(value >> 4) & 15],
                  digits[value & 15]);
    return buf;
}
