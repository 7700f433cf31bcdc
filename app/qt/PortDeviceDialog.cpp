#include "app/qt/PortDeviceDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/AppText.h"
#include "platform/BenchDoctor.h"

PortDeviceDialog::PortDeviceDialog(int portNo, Lister lister, std::string current, bool simulated, QWidget* parent)
    : QDialog(parent), lister_(std::move(lister)), current_(std::move(current)), simulated_(simulated), portNo_(portNo)
{
    setWindowTitle(QString::fromLatin1(kAppTitle));
    auto* layout = new QVBoxLayout(this);
    heading_ = new QLabel(this);
    layout->addWidget(heading_);
    list_ = new QTreeWidget(this);
    list_->setHeaderLabels({tr("Path"), tr("Device"), tr("Description"), tr("Maker"), tr("Serial number"),
                            tr("Driver"), tr("Latency timer")});
    list_->setRootIsDecorated(false);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(list_);
    auto* row = new QHBoxLayout;
    auto* typedLabel = new QLabel(tr("Or &type a path:"), this);
    typed_ = new QLineEdit(this);
    typed_->setPlaceholderText(tr("/dev/serial/by-id/..."));
    typedLabel->setBuddy(typed_);
    refresh_ = new QPushButton(tr("&Refresh"), this);
    refresh_->setAutoDefault(false);
    row->addWidget(typedLabel);
    row->addWidget(typed_, 1);
    row->addWidget(refresh_);
    layout->addLayout(row);
    // What stands in the way of the chosen device, as dorvel-adj-cli doctor
    // tells it.
    findings_ = new QLabel(this);
    findings_->setWordWrap(true);
    findings_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(findings_);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons_);
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] {
        updateOk();
        showFindings();
    });
    connect(typed_, &QLineEdit::textChanged, this, [this] {
        updateOk();
        showFindings();
    });
    connect(refresh_, &QPushButton::clicked, this, &PortDeviceDialog::refresh);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    refresh();
    resize(720, 280);
}

void PortDeviceDialog::refresh()
{
    // Keep the operator's choice; the first time, the device the number opens now.
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    const std::string keep = row >= 0 && static_cast<size_t>(row) < paths_.size() ? paths_[static_cast<size_t>(row)] : current_;
    const std::vector<platform::SerialPortEntry> ports = lister_ ? lister_() : std::vector<platform::SerialPortEntry>{};
    list_->clear();
    paths_.clear();
    QTreeWidgetItem* chosen = nullptr;
    for (const auto& p : ports) {
        auto* item = new QTreeWidgetItem(list_);
        const std::string* fields[] = {&p.path(), &p.device, &p.description, &p.manufacturer, &p.serialNumber};
        for (int c = 0; c < 5; ++c)
            item->setText(c, QString::fromStdString(*fields[c]));
        item->setText(5, QString::fromStdString(p.adapter.driver));
        item->setText(6, p.adapter.latencyTimerMs >= 0 ? tr("%1 ms").arg(p.adapter.latencyTimerMs) : QString());
        paths_.push_back(p.path());
        if (p.path() == keep)
            chosen = item;
    }
    // The demo's simulated radio is no serial port the system lists, and
    // neither may be a device the settings name.
    if (!current_.empty() && std::find(paths_.begin(), paths_.end(), current_) == paths_.end()) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, QString::fromStdString(current_));
        item->setText(2, simulated_ ? tr("the simulated radio of the demo") : tr("not present now"));
        paths_.push_back(current_);
        if (keep == current_)
            chosen = item;
    }
    heading_->setText(paths_.empty() ? tr("No serial ports found. Plug the cloning cable in and press Refresh, or type "
                                          "a path.")
                                     : tr("Device for COM %1:").arg(portNo_));
    list_->setCurrentItem(chosen);
    updateOk();
    showFindings();
}

void PortDeviceDialog::updateOk()
{
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!chosen().empty());
}

void PortDeviceDialog::showFindings()
{
    const std::string path = chosen();
    if (path.empty()) {
        findings_->clear();
        return;
    }
    const platform::DeviceFacts facts = platform::GatherDeviceFacts(path);
    QStringList lines;
    for (const platform::DoctorFinding& f : platform::DeviceFindings(facts))
        lines << (f.blocking ? tr("Problem: ") : tr("Note: ")) + QString::fromStdString(f.text) +
                     (f.fix.empty() ? QString() : tr("\n    fix: ") + QString::fromStdString(f.fix));
    if (lines.isEmpty())
        lines << QString::fromStdString(path + ": nothing stands in the way (" + platform::AdapterText(facts.adapter) + ")");
    findings_->setText(lines.join(QLatin1Char('\n')));
}

std::string PortDeviceDialog::chosen() const
{
    const std::string typed = typed_->text().trimmed().toStdString();
    if (!typed.empty())
        return typed;
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    return row >= 0 && static_cast<size_t>(row) < paths_.size() ? paths_[static_cast<size_t>(row)] : std::string();
}

QString PortDeviceDialog::findingsText() const
{
    return findings_->text();
}
