// dorvel-shots: the README's pictures of the window, drawn by the program
// itself on the offscreen window system against the fast simulated radio,
// with default settings (a scratch settings folder and lock, so that a copy
// the developer has open is not disturbed).
//
//   dorvel-shots --window FILE   Connect, wait for the editable console and
//                                its readouts, save the window with its File
//                                menu drawn open
//   dorvel-shots --plots FILE    Connect, a BPF T1 sweep and an RX LVA
//                                search, then save the sweep plot window
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <iostream>

#include "app/qt/DemoRadio.h"
#include "app/qt/DesktopApp.h"
#include "model/clsIndOp_RigTavik.h"
#include "platform/SettingsLocation.h"

namespace {

// The readout lists hold values instead of placeholders.
bool readoutsFilled(MainWindow& w)
{
    for (int l = 0; l < 2; ++l)
        for (int i = 1; i < w.lbo01(l)->count(); ++i)
            if (w.lbo01(l)->item(i)->text() == QLatin1String("----"))
                return false;
    return true;
}

// The window with its File menu drawn open under the menu's title, so that
// the picture shows the menus as they are.
QImage withFileMenu(MainWindow& w)
{
    QImage img = w.grab().toImage();
    QMenu* file = w.fileMenu();
    const QPoint at = w.menuBar()->mapTo(&w, w.menuBar()->actionGeometry(file->menuAction()).bottomLeft());
    file->resize(file->sizeHint());
    QPainter p(&img);
    p.drawPixmap(at, file->grab());
    return img;
}

// Presses "Connect", waits for the editable console and the first readouts,
// saves the window to file and closes it. Sets failed on a time-out or a
// file that could not be written.
void scheduleScreenshot(DesktopApp& desk, const QString& file, bool& failed)
{
    auto* poll = new QTimer(&desk.window());
    auto* clock = new QElapsedTimer();
    clock->start();
    QObject::connect(poll, &QTimer::timeout, poll, [&desk, file, &failed, poll, clock] {
        MainWindow& w = desk.window();
        const bool editable = desk.app().model().RigTavikProp_EditEnabled();
        const bool ready = editable && readoutsFilled(w);
        if (!ready && clock->elapsed() < 120000)
            return;
        poll->stop();
        delete clock;
        if (!ready) {
            std::cerr << "dorvel-shots: the console did not become editable in time" << std::endl;
            failed = true;
        } else if (!withFileMenu(w).save(file)) {
            std::cerr << "dorvel-shots: cannot write " << file.toStdString() << std::endl;
            failed = true;
        }
        w.close();
    });
    desk.window().cmd00(0)->click();
    poll->start(100);
}

// Connect, Enter on "BPF T1", then on "RX LVA" once the sweep has ended,
// with the plot window open; saves it when the search has ended too.
void schedulePlotScreenshot(DesktopApp& desk, const QString& file, bool& failed)
{
    auto* poll = new QTimer(&desk.window());
    auto* clock = new QElapsedTimer();
    clock->start();
    auto* stage = new int(0);
    QObject::connect(poll, &QTimer::timeout, poll, [&desk, file, &failed, poll, clock, stage] {
        clsIndOp_RigTavik& m = desk.app().model();
        const bool atRest = m.RigTavikProp_EditEnabled() && m.RigTavikProp_AtRest();
        const JournalEvent* lva = m.myJournal.last(JournalEvent::Kind::Lva);
        const bool timedOut = clock->elapsed() > 180000;
        if (!timedOut && *stage == 0 && atRest) {
            desk.showPlots();
            m.myConsole.EnterPushed(m.idxBpfT1);
            *stage = 1;
        } else if (!timedOut && *stage == 1 && atRest && m.myJournal.last(JournalEvent::Kind::Bpf) != nullptr) {
            m.myConsole.EnterPushed(m.idxRxLva);
            *stage = 2;
        } else if (timedOut || (*stage == 2 && atRest && lva != nullptr &&
                                lva->outcome != JournalEvent::Outcome::Running)) {
            poll->stop();
            if (timedOut) {
                std::cerr << "dorvel-shots: the sweeps did not end in time" << std::endl;
                failed = true;
            } else if (!desk.plotWindow()->grab().save(file)) {
                std::cerr << "dorvel-shots: cannot write " << file.toStdString() << std::endl;
                failed = true;
            }
            delete clock;
            delete stage;
            desk.window().close();
        }
    });
    desk.window().cmd00(0)->click();
    poll->start(100);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (std::string(argv[1]) != "--window" && std::string(argv[1]) != "--plots")) {
        std::cerr << "usage: dorvel-shots --window FILE | --plots FILE" << std::endl;
        return 2;
    }
    const bool plots = std::string(argv[1]) == "--plots";
    const QString file = QString::fromLocal8Bit(argv[2]);
    QApplication qapp(argc, argv);
    DemoRadio radio;
    std::string error;
    if (!radio.start(platform::ProgramFolder(), true, error)) {
        std::cerr << "dorvel-shots: " << error << std::endl;
        return 1;
    }
    QTemporaryDir scratch;
    DesktopOptions dopt;
    dopt.demoDevice = radio.device();
    dopt.settingsFolder = scratch.path().toStdString();
    dopt.lockPath = scratch.filePath(QStringLiteral("dorvel-adj.lock")).toStdString();
    dopt.backupFolder = scratch.filePath(QStringLiteral("backups")).toStdString();
    DesktopApp desk(dopt);
    if (!desk.start())
        return 1;
    bool failed = false;
    if (plots)
        schedulePlotScreenshot(desk, file, failed);
    else
        scheduleScreenshot(desk, file, failed);
    const int rc = qapp.exec();
    radio.stop();
    return failed ? 1 : rc;
}
