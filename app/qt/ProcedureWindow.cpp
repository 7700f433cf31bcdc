#include "app/qt/ProcedureWindow.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppText.h"

namespace {

constexpr int kPollMs = 50;   // as often as the program's tick

QFont sized(const QFont& base, double points, bool bold)
{
    QFont f = base;
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// The banner's colours add to its word; they never carry the verdict alone.
QString bannerStyle(const QString& verdict)
{
    const QString colours = verdict == QLatin1String("PASS")   ? QStringLiteral("color: white; background: #1b7a2e;")
                            : verdict == QLatin1String("FAIL") ? QStringLiteral("color: white; background: #b3261e;")
                                                               : QStringLiteral("color: black; background: #f2b705;");
    return colours + QStringLiteral(" padding: 8px;");
}

}  // namespace

ProcedureWindow::ProcedureWindow(ProcedureRunner& runner, const std::string& toolVersion, QWidget* parent)
    : QWidget(parent, Qt::Window), panel_(runner, toolVersion)
{
    setWindowTitle(QString::fromLatin1(kAppTitle) + QStringLiteral(" - Procedure"));
    auto* layout = new QVBoxLayout(this);

    title_ = new QLabel(this);
    title_->setFont(sized(font(), 12, true));
    title_->setWordWrap(true);
    layout->addWidget(title_);

    auto* form = new QFormLayout;
    serial_ = new QLineEdit(this);
    operator_ = new QLineEdit(this);
    operator_->setPlaceholderText(QStringLiteral("optional"));
    form->addRow(QStringLiteral("&Serial number:"), serial_);
    form->addRow(QStringLiteral("&Operator:"), operator_);
    layout->addLayout(form);
    start_ = new QPushButton(QStringLiteral("&Start"), this);
    start_->setAutoDefault(false);
    layout->addWidget(start_);

    steps_ = new QListWidget(this);
    steps_->setSelectionMode(QAbstractItemView::NoSelection);
    steps_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(steps_, 1);

    instruction_ = new QLabel(this);
    instruction_->setFont(sized(font(), 18, true));
    instruction_->setWordWrap(true);
    instruction_->setMinimumHeight(80);
    layout->addWidget(instruction_);

    auto* entry = new QHBoxLayout;
    limits_ = new QLabel(this);
    value_ = new QLineEdit(this);
    value_->setFont(sized(font(), 16, false));
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setAutoDefault(false);
    entry->addWidget(value_, 1);
    entry->addWidget(ok_);
    layout->addWidget(limits_);
    layout->addLayout(entry);
    notice_ = new QLabel(this);
    notice_->setWordWrap(true);
    layout->addWidget(notice_);

    auto* runButtons = new QHBoxLayout;
    retry_ = new QPushButton(QStringLiteral("&Retry"), this);
    abort_ = new QPushButton(QStringLiteral("&Abort"), this);
    for (QPushButton* b : {retry_, abort_}) {
        b->setAutoDefault(false);
        runButtons->addWidget(b);
    }
    layout->addLayout(runButtons);

    banner_ = new QLabel(this);
    banner_->setFont(sized(font(), 40, true));
    banner_->setAlignment(Qt::AlignCenter);
    layout->addWidget(banner_);
    bannerDetail_ = new QLabel(this);
    bannerDetail_->setFont(sized(font(), 12, true));
    bannerDetail_->setWordWrap(true);
    bannerDetail_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(bannerDetail_);

    // A scanner types the serial number and presses Enter: the run starts.
    connect(serial_, &QLineEdit::returnPressed, this, [this] { startRun(); });
    connect(operator_, &QLineEdit::returnPressed, this, [this] {
        if (serial_->text().trimmed().isEmpty())
            serial_->setFocus();
        else
            startRun();
    });
    connect(start_, &QPushButton::clicked, this, [this] { startRun(); });
    const auto ok = [this] {
        panel_.ok(value_->text().toStdString());
        if (panel_.view().notice.empty())
            value_->clear();
        refresh();
    };
    connect(value_, &QLineEdit::returnPressed, this, ok);
    connect(ok_, &QPushButton::clicked, this, ok);
    connect(retry_, &QPushButton::clicked, this, [this] {
        panel_.retry();
        refresh();
    });
    connect(abort_, &QPushButton::clicked, this, [this] {
        panel_.abort();
        refresh();
    });

    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, [this] {
        if (panel_.poll())
            refresh();
    });
    poll_.start();
    resize(520, 720);
    refresh();
}

void ProcedureWindow::setProcedure(const Procedure& procedure, const std::string& text, const std::string& path)
{
    panel_.setProcedure(procedure, text, path);
    title_->setText(QStringLiteral("%1, version %2\n%3")
                        .arg(QString::fromStdString(procedure.title), QString::fromStdString(procedure.version),
                             QString::fromStdString(path)));
    steps_->clear();
    refresh();
}

void ProcedureWindow::startRun()
{
    panel_.start(serial_->text().toStdString(), operator_->text().toStdString());
    refresh();
}

void ProcedureWindow::refresh()
{
    const ProcedurePanel::View v = panel_.view();
    serial_->setEnabled(v.fieldsEnabled);
    operator_->setEnabled(v.fieldsEnabled);
    start_->setEnabled(v.startEnabled);
    ok_->setEnabled(v.okEnabled);
    value_->setEnabled(v.valueEnabled);
    retry_->setEnabled(v.retryEnabled);
    abort_->setEnabled(v.abortEnabled);
    instruction_->setText(QString::fromStdString(v.instruction));
    limits_->setText(QString::fromStdString(v.limits));
    notice_->setText(QString::fromStdString(v.notice));

    const std::vector<std::string> rows = panel_.stepRows();
    if (steps_->count() != static_cast<int>(rows.size())) {
        steps_->clear();
        for (size_t i = 0; i < rows.size(); ++i)
            steps_->addItem(QString());
    }
    for (size_t i = 0; i < rows.size(); ++i)
        steps_->item(static_cast<int>(i))->setText(QString::fromStdString(rows[i]));

    const QString verdict = QString::fromStdString(v.banner);
    banner_->setText(verdict);
    banner_->setStyleSheet(verdict.isEmpty() ? QString() : bannerStyle(verdict));
    banner_->setVisible(!verdict.isEmpty());
    bannerDetail_->setText(QString::fromStdString(v.bannerDetail));
    bannerDetail_->setVisible(!v.bannerDetail.empty());

    // The entry the operator needs next takes this window's focus; the
    // window is never activated, so that keys typed in the main window
    // stay there.
    if (v.okEnabled && !wanted_)
        (v.valueEnabled ? static_cast<QWidget*>(value_) : ok_)->setFocus();
    // At the end, the next serial number can be scanned at once.
    const bool ended = !verdict.isEmpty();
    if (ended && !ended_) {
        serial_->setFocus();
        serial_->selectAll();
    }
    ended_ = ended;
    wanted_ = v.okEnabled;
}

void ProcedureWindow::closeEvent(QCloseEvent* event)
{
    // Nobody would answer the run's questions any more.
    panel_.abort("the procedure panel was closed");
    panel_.poll();
    refresh();
    QWidget::closeEvent(event);
}
