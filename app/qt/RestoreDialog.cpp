#include "app/qt/RestoreDialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/AppText.h"

RestoreDialog::RestoreDialog(const std::string& imagePath, const std::vector<ImageDifference>& changes,
                             const std::string& warning, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(kAppTitle));
    auto* layout = new QVBoxLayout(this);
    const QString file = QString::fromStdString(imagePath);
    layout->addWidget(new QLabel(changes.empty()
                                     ? tr("The radio already holds %1. Write it again and verify it?").arg(file)
                                     : tr("Write %1 to the radio? These values change (radio -> image):").arg(file),
                                 this));
    list_ = new QPlainTextEdit(this);
    list_->setReadOnly(true);
    list_->setLineWrapMode(QPlainTextEdit::NoWrap);
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QStringList lines;
    if (!warning.empty())
        lines << QString::fromStdString(warning);
    for (const ImageDifference& d : changes)
        lines << QString::fromStdString(DifferenceLine(d));
    list_->setPlainText(lines.join(QLatin1Char('\n')));
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(640, 360);
}
