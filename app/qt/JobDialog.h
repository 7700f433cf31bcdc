#pragma once
// "Job details...": the technician, the work order and the radio's serial
// number for the job's report, each optional, with the job they go to.
#include <QDialog>

#include "records/JobRecord.h"

class QLabel;
class QLineEdit;

class JobDialog : public QDialog {
    Q_OBJECT
public:
    // connected: a radio's image is loaded (JobRecord::connected);
    // connecting: a "Connect" is reading the radio now.
    JobDialog(const JobDetails& details, bool connected, bool connecting, QWidget* parent = nullptr);

    JobDetails details() const;
    QLineEdit* field(int i) const { return fields_[i]; }   // technician, order, serial
    QLabel* whereTo() const { return whereTo_; }

private:
    QLineEdit* fields_[3] = {};
    QLabel* whereTo_ = nullptr;
};
