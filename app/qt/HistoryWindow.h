#pragma once
// The shop's history in a window of its own: a filter line (serial, model,
// outcome, date range), the jobs it finds in a table sorted by any column,
// where they come from (the shop server or this bench's file), the
// selected job in words, and its report and backup folder opened in the
// desktop's own programs. A history that cannot be read is said in the
// window; the window stays usable and the radio work goes on.
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "records/HistoryRecorder.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    // history gives the program's recorder as it is now (null: the history is off).
    explicit HistoryWindow(std::function<HistoryRecorder*()> history, QWidget* parent = nullptr);

    // Lists the jobs the filter line asks for.
    void search();
    // The filter line as the store takes it.
    HistoryFilter filter() const;

    // The widgets, for the tests.
    QLineEdit* serial() const { return serial_; }
    QLineEdit* model() const { return model_; }
    QComboBox* outcome() const { return outcome_; }
    QCheckBox* useFrom() const { return useFrom_; }
    QDateEdit* from() const { return from_; }
    QCheckBox* useTo() const { return useTo_; }
    QDateEdit* to() const { return to_; }
    QLabel* source() const { return source_; }
    QTableWidget* table() const { return table_; }
    QPlainTextEdit* details() const { return details_; }
    QPushButton* openReportButton() const { return openReport_; }
    QPushButton* openBackupButton() const { return openBackup_; }
    QLabel* notice() const { return notice_; }

    enum Column { Date, Serial, Model, Technician, Order, Outcome, Adjustments, Station, Columns };

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The entry of the selected row; null when none.
    const HistoryEntry* selected() const;
    void showSelected();
    // Opens path (or the folder holding it) unless it is gone.
    void open(const std::string& path, bool folder, const QString& what);

    std::function<HistoryRecorder*()> history_;
    std::vector<HistoryEntry> entries_;   // the rows, found by the index each row keeps
    QLineEdit* serial_ = nullptr;
    QLineEdit* model_ = nullptr;
    QComboBox* outcome_ = nullptr;
    QCheckBox* useFrom_ = nullptr;
    QDateEdit* from_ = nullptr;
    QCheckBox* useTo_ = nullptr;
    QDateEdit* to_ = nullptr;
    QLabel* source_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPlainTextEdit* details_ = nullptr;
    QPushButton* openReport_ = nullptr;
    QPushButton* openBackup_ = nullptr;
    QLabel* notice_ = nullptr;
};
