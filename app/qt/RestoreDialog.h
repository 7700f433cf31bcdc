#pragma once
// The question before an image is written to the radio: the values that
// change, radio first, image second; OK writes, Cancel leaves the radio.
#include <QDialog>
#include <string>
#include <vector>

#include "records/ImageCompare.h"

class QPlainTextEdit;

class RestoreDialog : public QDialog {
    Q_OBJECT
public:
    // warning: a first line above the changes ("" for none).
    RestoreDialog(const std::string& imagePath, const std::vector<ImageDifference>& changes,
                  const std::string& warning, QWidget* parent = nullptr);
    QPlainTextEdit* list() const { return list_; }

private:
    QPlainTextEdit* list_ = nullptr;
};
