#pragma once
// The shop's history in a window of its own: a filter line (serial, model,
// outcome, date range), the jobs it finds in a table sorted by any column,
// where they come from (the shop server or this bench's file), the
// selected job in words, and its report and backup folder opened in the
// desktop's own programs. The history is read on a thread of its own, so
// that a shop server that does not answer never holds up the window; a
// history that cannot be read is said in the window, and the radio work
// goes on.
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
class QThread;

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    // history gives the program's recorder as it is now (null: the history is off).
    explicit HistoryWindow(std::function<HistoryRecorder*()> history, QWidget* parent = nullptr);
    // Waits for the reads still under way.
    ~HistoryWindow() override;

    // Lists the jobs the filter line asks for (the listing follows when
    // the history has been read).
    void search();
    // True while a listing or the selected job is being read.
    bool reading() const { return searching_ != 0 || fetching_ != 0; }
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
    struct Found;
    void showFound(const Found& found);
    void showJob(const Found& found);
    // Runs read with the recorder's settings on a thread of its own, then
    // shown with its outcome here, unless a later request of the same kind
    // has been made meanwhile.
    void readThen(unsigned& request, std::function<void(const HistorySettings&, Found&)> read,
                  void (HistoryWindow::*shown)(const Found&));
    // The entry of the selected row; null when none.
    const HistoryEntry* selected() const;
    void showSelected();
    // Opens path (or the folder holding it) unless it is gone.
    void open(const std::string& path, bool folder, const QString& what);

    std::function<HistoryRecorder*()> history_;
    std::vector<HistoryEntry> entries_;   // the rows, found by the index each row keeps
    unsigned searching_ = 0, fetching_ = 0;   // the request being read; 0 when none
    unsigned requests_ = 0;
    std::vector<QThread*> reads_;   // the reads under way, finished or not
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
