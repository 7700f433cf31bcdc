#include "app/qt/DemoRadio.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <cstdlib>
#include <iostream>

namespace {

const int kStartMs = 5000;

// A companion program: the one beside this program (a build tree, or the
// bin/ folder it was installed to), else the first on PATH. "" when neither.
QString companion(const std::string& programFolder, const char* name)
{
    const QString beside = QString::fromStdString(programFolder + "/" + name);
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

// Starts a companion program; false with a reason when it did not start.
bool startCompanion(QProcess& process, const std::string& programFolder, const char* name,
                    const QStringList& args, std::string& error)
{
    const QString program = companion(programFolder, name);
    if (program.isEmpty()) {
        error = std::string("cannot find ") + name + " in " + programFolder + " or on PATH";
        return false;
    }
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    if (!process.waitForStarted(kStartMs)) {
        error = "cannot start " + program.toStdString() + ": " + process.errorString().toStdString();
        return false;
    }
    return true;
}

bool isSet(const char* name)
{
    const char* v = std::getenv(name);
    return v != nullptr && v[0] != '\0';
}

// Reads the session's answer lines up to the one that ends a command's
// output, echoing them; false when the session ended or went silent.
bool readAnswer(QProcess& session, bool (*isLast)(const QByteArray&), int timeoutMs)
{
    for (;;) {
        while (!session.canReadLine()) {
            if (session.state() != QProcess::Running && !session.canReadLine())
                return false;
            if (!session.waitForReadyRead(timeoutMs) && !session.canReadLine())
                return false;
        }
        const QByteArray line = session.readLine();
        std::cout << line.constData() << std::flush;
        if (isLast(line.trimmed()))
            return true;
    }
}

bool endsResult(const QByteArray& l)
{
    return l == "ok" || l.startsWith("error:");
}

bool endsList(const QByteArray& l)
{
    return l == "." || l.startsWith("error:");
}

}  // namespace

bool DisplayAvailable()
{
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

DemoRadio::~DemoRadio()
{
    stop();
}

bool DemoRadio::start(const std::string& programFolder, bool fast, std::string& error)
{
    QStringList args;
    if (fast)
        args << QStringLiteral("--fast");
    if (!startCompanion(sim_, programFolder, "dorvel-sim", args, error))
        return false;
    while (!sim_.canReadLine()) {
        if (!sim_.waitForReadyRead(kStartMs)) {
            error = "the simulated radio printed no device path";
            stop();
            return false;
        }
    }
    device_ = sim_.readLine().trimmed().toStdString();
    if (device_.empty() || device_[0] != '/') {
        error = "the simulated radio printed no device path";
        stop();
        return false;
    }
    return true;
}

void DemoRadio::stop()
{
    if (sim_.state() == QProcess::NotRunning)
        return;
    sim_.terminate();
    if (!sim_.waitForFinished(3000)) {
        sim_.kill();
        sim_.waitForFinished(3000);
    }
}

int RunHeadlessDemo(const std::string& programFolder, const std::string& device)
{
    QProcess session;
    std::string error;
    if (!startCompanion(session, programFolder, "dorvel-adj-cli",
                        {QStringLiteral("session"), QStringLiteral("--device"), QString::fromStdString(device)},
                        error)) {
        std::cerr << "dorvel-adj: " << error << std::endl;
        return 1;
    }
    struct Step {
        const char* command;
        bool (*isLast)(const QByteArray&);   // null: the command prints nothing
        int timeoutMs;
    };
    const Step steps[] = {
        {"connect", endsResult, 180000},
        {"idle", endsResult, 90000},   // the first readouts come in
        {"console", endsList, 10000},
        {"readouts", endsList, 10000},
        {"select 1", nullptr, 0},
        {"step 1", nullptr, 0},
        {"idle", endsResult, 90000},
        {"console", endsList, 10000},
        {"quit", nullptr, 0},
    };
    for (const Step& s : steps) {
        std::cout << "> " << s.command << std::endl;
        if (std::string(s.command) == "connect")
            std::cout << "(the clone read takes about 20 seconds at 9600 bit/s)" << std::endl;
        session.write(QByteArray(s.command) + '\n');
        session.waitForBytesWritten(1000);
        if (s.isLast != nullptr && !readAnswer(session, s.isLast, s.timeoutMs)) {
            std::cerr << "dorvel-adj: the session gave no answer to " << s.command << std::endl;
            break;
        }
    }
    session.closeWriteChannel();
    if (!session.waitForFinished(10000)) {
        session.kill();
        session.waitForFinished(3000);
        return 1;
    }
    // Whatever it still printed.
    std::cout << session.readAll().constData() << std::flush;
    return session.exitStatus() == QProcess::NormalExit ? session.exitCode() : 1;
}
