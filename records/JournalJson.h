#pragma once
// The service journal as JSON for shop software: one object per event (the
// session's `journal` lines) and the whole report document that goes beside
// the PDF. Field names are documented in the README.
#include <cstdint>
#include <string>

#include "model/ServiceJournal.h"
#include "records/JobRecord.h"

// Every event, one JSON object per line, then the readouts at Connect and
// the latest ones as two more lines.
std::string JournalLines(const ServiceJournal& journal);
// The report: program and job, radio, items table, what changed in the
// radio, events and readouts in one document. created: the calendar
// seconds of the report.
std::string JournalReportJson(const ServiceJournal& journal, const JobInfo& job, int64_t created);

// What an item that has only an Enter action did: "not run", or each run's
// outcome ("BPF T1 left on 118, done").
std::string ActionOutcome(const ServiceJournal& journal, int16_t item);
// In words, how an automatic adjustment ended and which value the radio
// was left on.
std::string SequenceEndText(const JournalEvent& e);
// True when an adjustment frame went out after the readout was read: the
// radio may read otherwise now.
bool ReadBeforeLastAdjustment(const ServiceJournal& journal, const JournalReadout& r);

// A console title without its aligning blanks.
std::string TrimmedTitle(const std::string& title);
// "done", "failed", "interrupted" or "running".
const char* OutcomeText(JournalEvent::Outcome outcome);
// How an interrupted adjustment that was put back ended, in words:
// "interrupted, restored to 112"; the RSSI capture "interrupted, restored
// to S3 61, S1 30", or "interrupted, no level changed" when none was
// stored. The outcome alone for any other record.
std::string RestoredText(const JournalEvent& e);
