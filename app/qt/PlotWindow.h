#pragma once
// The sweep plots: a window of its own beside the main window, showing the
// current or last BPF sweep and LVA search of the journal, and following a
// sweep while it runs.
#include <QTimer>
#include <QWidget>

#include "model/ServiceJournal.h"

class PlotWindow : public QWidget {
    Q_OBJECT
public:
    explicit PlotWindow(const ServiceJournal& journal, QWidget* parent = nullptr);

    // The records shown (null: none yet) and where their plots go.
    const JournalEvent* bpf() const { return journal_.last(JournalEvent::Kind::Bpf); }
    const JournalEvent* lva() const { return journal_.last(JournalEvent::Kind::Lva); }
    QRectF bpfBox() const;
    QRectF lvaBox() const;
    // The readings of the BPF sweep as last painted.
    size_t paintedBpfPoints() const { return paintedBpfPoints_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    const ServiceJournal& journal_;
    QTimer poll_;
    uint64_t paintedRevision_ = 0;
    size_t paintedBpfPoints_ = 0;
};
