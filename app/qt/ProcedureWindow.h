#pragma once
// The procedure runner panel: a window of its own beside the main window.
// Serial number and operator first (a barcode scanner types the serial and
// presses Enter, which starts the run), the steps with their states, the
// current instruction in large type, the value entry with its limits, OK,
// Retry and Abort, and at the end the verdict in a banner readable from a
// distance. It never takes the keyboard from the main window: the console
// keys work there during adjust steps.
#include <QTimer>
#include <QWidget>

#include "app/ProcedurePanel.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class ProcedureWindow : public QWidget {
    Q_OBJECT
public:
    ProcedureWindow(ProcedureRunner& runner, const std::string& toolVersion, QWidget* parent = nullptr);

    // The procedure the panel runs from now on (none may be running).
    void setProcedure(const Procedure& procedure, const std::string& text, const std::string& path);
    ProcedurePanel& panel() { return panel_; }

    // The widgets, for the tests.
    QLineEdit* serial() const { return serial_; }
    QLineEdit* operatorName() const { return operator_; }
    QPushButton* startButton() const { return start_; }
    QListWidget* steps() const { return steps_; }
    QLabel* instruction() const { return instruction_; }
    QLabel* limits() const { return limits_; }
    QLineEdit* value() const { return value_; }
    QPushButton* okButton() const { return ok_; }
    QLabel* notice() const { return notice_; }
    QPushButton* retryButton() const { return retry_; }
    QPushButton* abortButton() const { return abort_; }
    QLabel* banner() const { return banner_; }
    QLabel* bannerDetail() const { return bannerDetail_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    void startRun();

    ProcedurePanel panel_;
    QTimer poll_;
    QLabel* title_ = nullptr;
    QLineEdit* serial_ = nullptr;
    QLineEdit* operator_ = nullptr;
    QPushButton* start_ = nullptr;
    QListWidget* steps_ = nullptr;
    QLabel* instruction_ = nullptr;
    QLabel* limits_ = nullptr;
    QLineEdit* value_ = nullptr;
    QPushButton* ok_ = nullptr;
    QLabel* notice_ = nullptr;
    QPushButton* retry_ = nullptr;
    QPushButton* abort_ = nullptr;
    QLabel* banner_ = nullptr;
    QLabel* bannerDetail_ = nullptr;
    bool wanted_ = false;   // the run waited for the operator at the last refresh
    bool ended_ = false;    // the banner showed at the last refresh
};
