// View > "History..." in the real window against the simulated radio.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/qt/HistoryWindow.h"
#include "tests/gui/GuiRig.h"

// Takes the URLs the window hands to the desktop.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "take"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    std::vector<std::string> paths;
public slots:
    void take(const QUrl& url) { paths.push_back(url.toLocalFile().toStdString()); }
};

namespace {

std::vector<std::string> Serials(const QTableWidget* t)
{
    std::vector<std::string> serials;
    for (int row = 0; row < t->rowCount(); ++row) {
        const QTableWidgetItem* cell = t->item(row, HistoryWindow::Serial);
        serials.push_back(cell != nullptr ? cell->text().toStdString() : "(no cell)");
    }
    return serials;
}

void ClickHeader(QTableWidget* t, int column)
{
    QHeaderView* h = t->horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(column) + 4, h->height() / 2));
}

// On until the window has shown what it was reading.
bool Read(const HistoryWindow* h) { return WaitFor([h] { return !h->reading(); }, 20000); }

}  // namespace

TEST(History, JobsListedFilteredSortedShownAndTheirFilesOpened)
{
    GuiRig r({"--fast"});
    DataHome data(r.dir.path());
    // Two jobs of two program runs in different seconds: SN-H1 with a step
    // of " Power(Hi)" and a report, then SN-H2.
    int64_t firstStart = 0;
    for (const char* serial : {"SN-H1", "SN-H2"}) {
        ASSERT_TRUE(r.start());
        ASSERT_NE(r.app().history(), nullptr);
        ASSERT_TRUE(WaitFor([&] { return QDateTime::currentSecsSinceEpoch() > firstStart; }, 2000));
        r.app().job().setDetail("serial", serial);
        QTest::mouseClick(r.w().cmd00(0), Qt::LeftButton);
        ASSERT_TRUE(r.quiet()) << "Connect";
        if (firstStart == 0) {
            firstStart = r.app().history()->snapshot().start;
            r.keyOnLine(kPowerHi, Qt::Key_Right);
            ASSERT_TRUE(r.quiet()) << "the step";
            ASSERT_TRUE(r.desk->images().saveReportTo(r.dir.file("job.pdf")));
        }
        ASSERT_TRUE(r.app().history()->flush(10000));
    }

    r.desk->mnuViewHistory()->trigger();
    HistoryWindow* h = r.desk->historyWindow();
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h));
    ASSERT_TRUE(Read(h));
    QTableWidget* t = h->table();
    EXPECT_TRUE(h->source()->text().contains("from this bench: ")) << h->source()->text().toStdString();
    ASSERT_EQ(Serials(t), (std::vector<std::string>{"SN-H2", "SN-H1"})) << "the newest first";
    EXPECT_EQ(t->item(1, HistoryWindow::Model)->text(), "5314/0100");
    EXPECT_TRUE(t->item(1, HistoryWindow::Date)->text().contains(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d$")));

    ClickHeader(t, HistoryWindow::Date);
    EXPECT_EQ(Serials(t), (std::vector<std::string>{"SN-H1", "SN-H2"})) << "a click on Date: the oldest first";
    {
        SCOPED_TRACE("the first job chosen with the arrows, in words, its report and backup folder opened");
        UrlCatcher urls;
        EXPECT_FALSE(h->openReportButton()->isEnabled()) << "nothing selected";
        t->setFocus();
        t->setCurrentCell(1, 0);
        QTest::keyClick(t, Qt::Key_Up);
        ASSERT_TRUE(Read(h));
        const QString details = h->details()->toPlainText();
        EXPECT_TRUE(details.contains("SN-H1") && details.contains(QRegularExpression("Power\\(Hi\\) \\d+ -> \\d+ \\(operator\\)")))
            << details.toStdString();
        QTest::mouseClick(h->openReportButton(), Qt::LeftButton);
        QTest::mouseClick(h->openBackupButton(), Qt::LeftButton);
        EXPECT_EQ(urls.paths, (std::vector<std::string>{r.dir.file("job.pdf"), r.options.backupFolder}));
        ASSERT_TRUE(QFile::remove(QString::fromStdString(r.dir.file("job.pdf"))));
        QTest::mouseClick(h->openReportButton(), Qt::LeftButton);
        EXPECT_EQ(urls.paths.size(), 2u) << "a report that is gone is not opened";
        EXPECT_TRUE(h->notice()->text().contains("no longer there")) << h->notice()->text().toStdString();
    }
    {
        SCOPED_TRACE("the filter line, Enter in a field; the rows stay sorted as clicked");
        const QDate today = QDate::currentDate();
        struct Case { const char* serial; const char* model; int outcome; int from, to; std::vector<std::string> rows; };
        const int none = h->outcome()->findText("No procedure");
        const int pass = h->outcome()->findText("PASS");
        const int any = 0, off = 99;
        for (const Case& c : {Case{"SN-H1", "", any, off, off, {"SN-H1"}},
                              Case{"SN-X", "", any, off, off, {}},
                              Case{"", "0100", none, off, off, {"SN-H1", "SN-H2"}},
                              Case{"", "5315", any, off, off, {}},
                              Case{"", "", pass, off, off, {}},
                              Case{"", "", any, 1, off, {}},
                              Case{"", "", any, off, -1, {}},
                              Case{"", "", any, 0, 0, {"SN-H1", "SN-H2"}}}) {
            SCOPED_TRACE(std::string(c.serial) + "|" + c.model + "|" + std::to_string(c.from) + ".." + std::to_string(c.to));
            h->serial()->setText(c.serial);
            h->model()->setText(c.model);
            h->outcome()->setCurrentIndex(c.outcome);
            h->useFrom()->setChecked(c.from != off);
            h->from()->setDate(today.addDays(c.from == off ? 0 : c.from));
            h->useTo()->setChecked(c.to != off);
            h->to()->setDate(today.addDays(c.to == off ? 0 : c.to));
            QTest::keyClick(h->serial(), Qt::Key_Return);
            ASSERT_TRUE(Read(h));
            EXPECT_EQ(Serials(t), c.rows);
            EXPECT_TRUE(h->source()->text().startsWith(QString::number(c.rows.size()) + " job(s)"));
        }
    }
    ClickHeader(t, HistoryWindow::Date);
    EXPECT_EQ(Serials(t), (std::vector<std::string>{"SN-H2", "SN-H1"})) << "clicked again: the newest first";
    QTest::keyClick(t, Qt::Key_Escape);
    EXPECT_FALSE(h->isVisible()) << "Escape closes";
}

// A history that cannot be read (a folder where the bench's file should
// be, a shop server that takes the connection and never says a word): the
// window opens at once, reads on, says why and stays usable. A history
// turned off: the entry is disabled and says why.
TEST(History, AHistoryThatCannotBeReadIsSaidAndAHistoryTurnedOffDisablesTheEntry)
{
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    auto* addr = reinterpret_cast<sockaddr*>(&a);
    ASSERT_TRUE(bind(silent, addr, len) == 0 && listen(silent, 8) == 0 && getsockname(silent, addr, &len) == 0);
    for (const bool server : {false, true}) {
        SCOPED_TRACE(server ? "a silent shop server" : "a file that cannot be opened");
        GuiRig r;
        DataHome data(r.dir.path());
        const std::string file = r.dir.file("dorvel-adj/history.sqlite");
        if (server)
            std::ofstream(r.settings) << "[HISTORY]\nHost=127.0.0.1\nPort=" << ntohs(a.sin_port)
                                      << "\nDatabase=shop\nUser=bench\n";
        else
            ASSERT_TRUE(QDir().mkpath(QString::fromStdString(file)));
        ASSERT_TRUE(r.start());
        r.desk->mnuViewHistory()->trigger();
        HistoryWindow* h = r.desk->historyWindow();
        ASSERT_NE(h, nullptr);
        EXPECT_TRUE(h->reading() && h->isVisible());
        EXPECT_EQ(h->source()->text(), "Reading the history...");
        const std::string why = std::string("The history could not be read (") +
                                (server ? "shop server: PostgreSQL host 127.0.0.1" : "this bench: SQLite " + file);
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(Read(h));
            EXPECT_EQ(h->source()->text().left(static_cast<int>(why.size())).toStdString(), why);
            EXPECT_EQ(h->table()->rowCount(), 0);
            QTest::keyClick(h->serial(), Qt::Key_Return);
        }
        if (server) {
            // Closed while the last Enter's read waits on the silent server:
            // the read ends with the window, not after it. Counted: the
            // program's threads but Qt's pool, whose threads come and go.
            const auto threads = [] {
                int n = 0;
                for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
                    n += ReadFile(task.path() / "comm") != "Thread (pooled)\n";
                return n;
            };
            ASSERT_TRUE(h->reading());
            const int before = threads();
            delete h;
            // The thread's own end follows a moment after the wait for it.
            EXPECT_TRUE(WaitFor([&] { return threads() == before - 1; }, 1000)) << threads() << " of " << before;
        }
    }
    close(silent);

    GuiRig off;
    std::ofstream(off.settings) << "[HISTORY]\nEnabled=0\n";
    ASSERT_TRUE(off.start());
    EXPECT_EQ(off.app().history(), nullptr);
    EXPECT_FALSE(off.desk->mnuViewHistory()->isEnabled());
    EXPECT_TRUE(off.desk->mnuViewHistory()->toolTip().contains("off")) << off.desk->mnuViewHistory()->toolTip().toStdString();
}

#include "test_history.moc"
