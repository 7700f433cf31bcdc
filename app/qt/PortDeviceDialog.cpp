#include "app/qt/PortDeviceDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/AppText.h"
#include "platform/BenchDoctor.h"

PortDeviceDialog::PortDeviceDialog(int portNo, std::vector<platform::SerialPortEntry> ports, QWidget* parent)
    : QDialog(parent), ports_(std::move(ports))
{
    setWindowTitle(QString::fromLatin1(kAppTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(ports_.empty()
                                     ? tr("No serial ports found. Plug the cloning cable in and try again.")
                                     : tr("Device for COM %1:").arg(portNo),
                                 this));
    list_ = new QTreeWidget(this);
    list_->setHeaderLabels({tr("Path"), tr("Device"), tr("Description"), tr("Maker"), tr("Serial number"),
                            tr("Driver"), tr("Latency timer")});
    list_->setRootIsDecorated(false);
    for (const auto& p : ports_) {
        auto* item = new QTreeWidgetItem(list_);
        const std::string* fields[] = {&p.path(), &p.device, &p.description, &p.manufacturer, &p.serialNumber};
        for (int c = 0; c < 5; ++c)
            item->setText(c, QString::fromStdString(*fields[c]));
        item->setText(5, QString::fromStdString(p.adapter.driver));
        item->setText(6, p.adapter.latencyTimerMs >= 0 ? tr("%1 ms").arg(p.adapter.latencyTimerMs) : QString());
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(list_);
    // What stands in the way of the chosen device, as dorvel-adj-cli doctor
    // tells it.
    findings_ = new QLabel(this);
    findings_->setWordWrap(true);
    findings_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(findings_);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons_);
    QPushButton* ok = buttons_->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    connect(list_, &QTreeWidget::currentItemChanged, this, [this, ok](QTreeWidgetItem* current) {
        ok->setEnabled(current != nullptr);
        showFindings();
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(720, 240);
}

void PortDeviceDialog::showFindings()
{
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (row < 0 || static_cast<size_t>(row) >= ports_.size()) {
        findings_->clear();
        return;
    }
    const platform::SerialPortEntry& p = ports_[static_cast<size_t>(row)];
    const platform::DeviceFacts facts = platform::GatherDeviceFacts(p.path());
    QStringList lines;
    for (const platform::DoctorFinding& f : platform::DeviceFindings(facts))
        lines << (f.blocking ? tr("Problem: ") : tr("Note: ")) + QString::fromStdString(f.text) +
                     (f.fix.empty() ? QString() : tr("\n    fix: ") + QString::fromStdString(f.fix));
    if (lines.isEmpty())
        lines << QString::fromStdString(p.path() + ": nothing stands in the way (" + platform::AdapterText(facts.adapter) + ")");
    findings_->setText(lines.join(QLatin1Char('\n')));
}

std::string PortDeviceDialog::chosen() const
{
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    return row >= 0 && static_cast<size_t>(row) < ports_.size() ? ports_[static_cast<size_t>(row)].path() : std::string();
}

QString PortDeviceDialog::findingsText() const
{
    return findings_->text();
}
