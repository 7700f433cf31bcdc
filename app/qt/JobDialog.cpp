#include "app/qt/JobDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/AppText.h"

JobDialog::JobDialog(const JobDetails& details, bool connected, bool connecting, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(kAppTitle) + tr(" - Job details"));
    auto* layout = new QVBoxLayout(this);
    // The job the details belong to, as the job record keeps them.
    QString where = connected    ? tr("These details go to the job of the radio read at the last \"Connect\".")
                    : connecting ? tr("These details go to the job of the \"Connect\" reading the radio now.")
                                 : tr("No radio is connected: these details go to the job the next \"Connect\" starts.");
    where += tr(" A new \"Connect\" keeps the technician and the work order, and drops a serial number typed "
                "for the radio before it.");
    whereTo_ = new QLabel(where, this);
    whereTo_->setWordWrap(true);
    layout->addWidget(whereTo_);
    auto* form = new QFormLayout;
    const QString labels[3] = {tr("&Technician:"), tr("Work &order:"), tr("&Serial number:")};
    const std::string* values[3] = {&details.technician, &details.order, &details.serial};
    for (int i = 0; i < 3; ++i) {
        fields_[i] = new QLineEdit(QString::fromStdString(*values[i]), this);
        fields_[i]->setPlaceholderText(tr("optional"));
        form->addRow(labels[i], fields_[i]);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(460, sizeHint().height());
}

JobDetails JobDialog::details() const
{
    return {fields_[0]->text().toStdString(), fields_[1]->text().toStdString(), fields_[2]->text().toStdString()};
}
