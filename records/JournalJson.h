#pragma once
// The service journal as JSON for shop software: one object per event (the
// session's `journal` lines) and the whole report document that goes beside
// the PDF. Field names are documented in the README.
#include <cstdint>
#include <string>

#include "model/ServiceJournal.h"

// Every event, one JSON object per line, then the readouts at Connect and
// the latest ones as two more lines.
std::string JournalLines(const ServiceJournal& journal);
// The report: radio, items table, events and readouts in one document.
// created: the calendar seconds of the report.
std::string JournalReportJson(const ServiceJournal& journal, int64_t created);

// A console title without its aligning blanks.
std::string TrimmedTitle(const std::string& title);
// "done", "failed", "interrupted" or "running".
const char* OutcomeText(JournalEvent::Outcome outcome);
// How an interrupted adjustment that was put back ended, in words:
// "interrupted, restored to 112"; the RSSI capture "interrupted, restored
// to S3 61, S1 30", or "interrupted, no level changed" when none was
// stored. The outcome alone for any other record.
std::string RestoredText(const JournalEvent& e);
