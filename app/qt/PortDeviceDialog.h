#pragma once
// "Port device...": the serial ports present, to choose the device that a
// COM port number opens.
#include <QDialog>
#include <string>
#include <vector>

#include "platform/SerialPortList.h"

class QDialogButtonBox;
class QLabel;
class QTreeWidget;

class PortDeviceDialog : public QDialog {
    Q_OBJECT
public:
    PortDeviceDialog(int portNo, std::vector<platform::SerialPortEntry> ports, QWidget* parent = nullptr);

    // The path of the chosen port, "" when none is chosen.
    std::string chosen() const;
    QTreeWidget* list() const { return list_; }
    // What stands in the way of the chosen device ("" before a choice).
    QString findingsText() const;

private:
    void showFindings();

    std::vector<platform::SerialPortEntry> ports_;
    QTreeWidget* list_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    QLabel* findings_ = nullptr;
};
