#pragma once
// "Port device...": the serial ports present, to choose the device that a
// COM port number opens. The device the number opens now is chosen at the
// start (the demo's simulated radio shown as such); Refresh lists the ports
// again, and a path can be typed instead.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "platform/SerialPortList.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class PortDeviceDialog : public QDialog {
    Q_OBJECT
public:
    using Lister = std::function<std::vector<platform::SerialPortEntry>()>;
    // current: the device the number opens now; simulated: it is the demo's
    // simulated radio.
    PortDeviceDialog(int portNo, Lister lister, std::string current, bool simulated, QWidget* parent = nullptr);

    // The typed path when there is one, else the path of the chosen port;
    // "" when none is chosen.
    std::string chosen() const;
    QTreeWidget* list() const { return list_; }
    QLineEdit* typed() const { return typed_; }
    QPushButton* refreshButton() const { return refresh_; }
    // What stands in the way of the chosen device ("" before a choice).
    QString findingsText() const;
    // Lists the ports again, keeping the choice where it still exists.
    void refresh();

private:
    void showFindings();
    void updateOk();

    Lister lister_;
    std::string current_;
    bool simulated_;
    std::vector<std::string> paths_;   // the path of each row
    QLabel* heading_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QLineEdit* typed_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    QLabel* findings_ = nullptr;
    int portNo_;
};
