#include "app/qt/HistoryWindow.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

#include "app/AppText.h"

namespace {

constexpr int kIndexRole = Qt::UserRole;       // the row's index into the listing
constexpr int kSortRole = Qt::UserRole + 1;    // a number the column sorts by

// A cell shown as text and sorted by a number (the date by its time, the
// adjustments by their count).
class NumberItem : public QTableWidgetItem {
public:
    NumberItem(const QString& text, qint64 key) : QTableWidgetItem(text) { setData(kSortRole, key); }
    bool operator<(const QTableWidgetItem& other) const override
    {
        return data(kSortRole).toLongLong() < other.data(kSortRole).toLongLong();
    }
};

const char kOff[] = "the job history is off";

QString q(const std::string& s) { return QString::fromStdString(s); }

QString trimmed(const QLineEdit* field) { return field->text().trimmed(); }

}  // namespace

// What one read of the history brought: a listing or one job.
struct HistoryWindow::Found {
    bool ok = false;
    std::string source, reason;
    std::vector<HistoryEntry> entries;
    HistoryJob job;
};

HistoryWindow::HistoryWindow(std::function<HistoryRecorder*()> history, QWidget* parent)
    : QWidget(parent, Qt::Window), history_(std::move(history))
{
    setWindowTitle(QString::fromLatin1(kAppTitle) + QStringLiteral(" - History"));
    resize(900, 620);
    auto* layout = new QVBoxLayout(this);

    auto* filters = new QGridLayout;
    serial_ = new QLineEdit(this);
    model_ = new QLineEdit(this);
    model_->setPlaceholderText(QStringLiteral("main or sub model code"));
    outcome_ = new QComboBox(this);
    for (const char* o : {"Any", "PASS", "FAIL", "ERROR", "ABORTED", "No procedure"}) {
        const QString text = QString::fromLatin1(o);
        const QString key = text == QLatin1String("Any")            ? QString()
                            : text == QLatin1String("No procedure") ? QStringLiteral("none")
                                                                    : text;
        outcome_->addItem(text, key);
    }
    const QDate today = QDate::currentDate();
    useFrom_ = new QCheckBox(QStringLiteral("&From:"), this);
    from_ = new QDateEdit(today.addMonths(-1), this);
    useTo_ = new QCheckBox(QStringLiteral("&To:"), this);
    to_ = new QDateEdit(today, this);
    for (QDateEdit* d : {from_, to_}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        d->setEnabled(false);
    }
    connect(useFrom_, &QCheckBox::toggled, from_, &QWidget::setEnabled);
    connect(useTo_, &QCheckBox::toggled, to_, &QWidget::setEnabled);
    auto* search = new QPushButton(QStringLiteral("&Search"), this);
    connect(search, &QPushButton::clicked, this, &HistoryWindow::search);
    auto* serialLabel = new QLabel(QStringLiteral("S&erial:"), this);
    auto* modelLabel = new QLabel(QStringLiteral("&Model:"), this);
    auto* outcomeLabel = new QLabel(QStringLiteral("O&utcome:"), this);
    serialLabel->setBuddy(serial_);
    modelLabel->setBuddy(model_);
    outcomeLabel->setBuddy(outcome_);
    filters->addWidget(serialLabel, 0, 0);
    filters->addWidget(serial_, 0, 1);
    filters->addWidget(modelLabel, 0, 2);
    filters->addWidget(model_, 0, 3);
    filters->addWidget(outcomeLabel, 0, 4);
    filters->addWidget(outcome_, 0, 5);
    filters->addWidget(useFrom_, 1, 0);
    filters->addWidget(from_, 1, 1);
    filters->addWidget(useTo_, 1, 2);
    filters->addWidget(to_, 1, 3);
    filters->addWidget(search, 1, 5);
    filters->setColumnStretch(1, 1);
    filters->setColumnStretch(3, 1);
    layout->addLayout(filters);

    source_ = new QLabel(this);
    source_->setWordWrap(true);
    source_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(source_);

    table_ = new QTableWidget(0, Columns, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("Date"), QStringLiteral("Serial"), QStringLiteral("Model"),
                                       QStringLiteral("Technician"), QStringLiteral("Work order"),
                                       QStringLiteral("Outcome"), QStringLiteral("Adjustments"),
                                       QStringLiteral("Station")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSortIndicator(Date, Qt::DescendingOrder);   // the newest first
    table_->setSortingEnabled(true);
    connect(table_, &QTableWidget::itemSelectionChanged, this, &HistoryWindow::showSelected);
    layout->addWidget(table_, 3);

    details_ = new QPlainTextEdit(this);
    details_->setReadOnly(true);
    details_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(details_, 2);

    auto* buttons = new QHBoxLayout;
    openReport_ = new QPushButton(QStringLiteral("Open &report"), this);
    openBackup_ = new QPushButton(QStringLiteral("Open &backup folder"), this);
    connect(openReport_, &QPushButton::clicked, this, [this] {
        if (const HistoryEntry* e = selected())
            open(e->reportPath, false, QStringLiteral("report"));
    });
    connect(openBackup_, &QPushButton::clicked, this, [this] {
        if (const HistoryEntry* e = selected())
            open(e->backupPath, true, QStringLiteral("backup"));
    });
    notice_ = new QLabel(this);
    notice_->setWordWrap(true);
    buttons->addWidget(openReport_);
    buttons->addWidget(openBackup_);
    buttons->addWidget(notice_, 1);
    layout->addLayout(buttons);
    showSelected();
}

HistoryWindow::~HistoryWindow()
{
    // A read still under way (a shop server that does not answer, until
    // its time-out) ends before the program does, not while the program's
    // libraries are being torn down beneath it.
    for (QThread* thread : reads_) {
        thread->wait();
        delete thread;
    }
}

HistoryFilter HistoryWindow::filter() const
{
    HistoryFilter f;
    f.serial = trimmed(serial_).toStdString();
    f.model = trimmed(model_).toStdString();
    f.outcome = outcome_->currentData().toString().toStdString();
    // Whole local days; "To" takes its own day in.
    if (useFrom_->isChecked())
        f.since = from_->date().startOfDay().toSecsSinceEpoch();
    if (useTo_->isChecked())
        f.until = to_->date().addDays(1).startOfDay().toSecsSinceEpoch();
    return f;
}

void HistoryWindow::readThen(unsigned& request, std::function<void(const HistorySettings&, Found&)> read,
                             void (HistoryWindow::*shown)(const Found&))
{
    const unsigned id = request = ++requests_;
    HistoryRecorder* history = history_();
    if (history == nullptr) {
        Found off;
        off.reason = kOff;
        request = 0;
        (this->*shown)(off);
        return;
    }
    // Each read opens a store of its own with the settings as they are now:
    // nothing of it is shared with the recorder's worker or this window.
    auto found = std::make_shared<Found>();
    QThread* thread = QThread::create(
        [found, settings = history->settings(), read = std::move(read)] { read(settings, *found); });
    reads_.push_back(thread);
    connect(thread, &QThread::finished, this, [this, thread, &request, id, found, shown] {
        reads_.erase(std::find(reads_.begin(), reads_.end(), thread));
        thread->deleteLater();
        if (request != id)
            return;   // a later request is being read
        request = 0;
        (this->*shown)(*found);
    });
    thread->start();
}

void HistoryWindow::search()
{
    source_->setText(QStringLiteral("Reading the history..."));
    readThen(searching_, [f = filter()](const HistorySettings& settings, Found& r) {
        r.ok = HistoryViewStore(settings, r.source)->list(f, r.entries, r.reason);
    }, &HistoryWindow::showFound);
}

void HistoryWindow::showFound(const Found& found)
{
    const bool ok = found.ok;
    entries_ = ok ? found.entries : std::vector<HistoryEntry>();
    if (ok)
        source_->setText(QStringLiteral("%1 job(s) from %2").arg(entries_.size()).arg(q(found.source)));
    else
        source_->setText(QStringLiteral("The history could not be read%1: %2")
                             .arg(found.source.empty() ? QString() : QStringLiteral(" (%1)").arg(q(found.source)),
                                  q(found.reason)));

    // Filled unsorted: a row sorted away while it is filled loses its cells.
    table_->setSortingEnabled(false);
    table_->clearContents();
    table_->setRowCount(static_cast<int>(entries_.size()));
    for (int row = 0; row < table_->rowCount(); ++row) {
        const HistoryEntry& e = entries_[static_cast<size_t>(row)];
        const QString model = e.mainCode.empty() && e.subCode.empty() ? QString() : q(e.mainCode + "/" + e.subCode);
        auto* date = new NumberItem(
            QDateTime::fromSecsSinceEpoch(e.start).toString(QStringLiteral("yyyy-MM-dd HH:mm")), e.start);
        date->setData(kIndexRole, row);
        table_->setItem(row, Date, date);
        table_->setItem(row, Serial, new QTableWidgetItem(q(e.serial)));
        table_->setItem(row, Model, new QTableWidgetItem(model));
        table_->setItem(row, Technician, new QTableWidgetItem(q(e.technician)));
        table_->setItem(row, Order, new QTableWidgetItem(q(e.order)));
        table_->setItem(row, Outcome, new QTableWidgetItem(q(e.outcome)));
        table_->setItem(row, Adjustments, new NumberItem(QString::number(e.adjustments), e.adjustments));
        table_->setItem(row, Station, new QTableWidgetItem(q(e.station)));
    }
    table_->setSortingEnabled(true);
    table_->resizeColumnsToContents();
    table_->clearSelection();
    showSelected();
}

const HistoryEntry* HistoryWindow::selected() const
{
    const QList<QTableWidgetItem*> items = table_->selectedItems();
    if (items.isEmpty())
        return nullptr;
    const QTableWidgetItem* date = table_->item(items.first()->row(), Date);
    const int index = date != nullptr ? date->data(kIndexRole).toInt() : -1;
    return index >= 0 && index < static_cast<int>(entries_.size()) ? &entries_[static_cast<size_t>(index)] : nullptr;
}

void HistoryWindow::showSelected()
{
    const HistoryEntry* e = selected();
    notice_->clear();
    openReport_->setEnabled(e != nullptr && !e->reportPath.empty());
    openBackup_->setEnabled(e != nullptr && !e->backupPath.empty());
    if (e == nullptr) {
        fetching_ = 0;   // a job still being read is no longer wanted
        details_->setPlainText(entries_.empty() ? QString() : QStringLiteral("Select a job to see what was done."));
        return;
    }
    details_->setPlainText(QStringLiteral("Reading the job..."));
    readThen(fetching_, [id = e->id](const HistorySettings& settings, Found& r) {
        r.ok = HistoryViewStore(settings, r.source)->get(id, r.job, r.reason);
    }, &HistoryWindow::showJob);
}

void HistoryWindow::showJob(const Found& found)
{
    if (!found.ok) {
        details_->setPlainText(found.reason.empty()
                                   ? QStringLiteral("This job is no longer in the history.")
                                   : QStringLiteral("This job could not be read: %1").arg(q(found.reason)));
        return;
    }
    QStringList lines;
    for (const std::string& line : HistoryJobText(found.job))
        lines << q(line);
    details_->setPlainText(lines.join(QLatin1Char('\n')));
}

void HistoryWindow::open(const std::string& path, bool folder, const QString& what)
{
    const QFileInfo file(q(path));
    if (!file.exists()) {
        notice_->setText(QStringLiteral("The %1 %2 is no longer there.").arg(what, q(path)));
        return;
    }
    const QString target = folder ? file.absolutePath() : file.absoluteFilePath();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(target)))
        notice_->setText(QStringLiteral("No program opened %1.").arg(target));
    else
        notice_->clear();
}

void HistoryWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter in a field of the filter line (the table keeps its own).
        if (!table_->hasFocus()) {
            search();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}
