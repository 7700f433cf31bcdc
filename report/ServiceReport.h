#pragma once
// The report of a service job, from the journal: a PDF for the shop's files
// (header with the radio, date, port, program, backup and job details; the
// items at Connect and at the end; every byte the job changed in the radio;
// each automatic adjustment with its plot; the readouts at Connect and at
// the end) and the same content as JSON beside it. Pages are A4 or US
// Letter by the locale, and what is printed fits on either paper.
#include <QByteArray>
#include <QPageSize>
#include <cstdint>
#include <string>

#include "model/ServiceJournal.h"
#include "records/JobRecord.h"

// The JSON file that goes with a report: NAME.pdf gives NAME.json, any
// other name gets .json added.
std::string ReportJsonPath(const std::string& pdfPath);

// The paper of the locale: Letter where US measures are used, else A4.
QPageSize::PageSizeId LocalPaper();

// The PDF itself; created is the report's calendar time.
QByteArray ServiceReportPdf(const ServiceJournal& journal, const JobInfo& job, int64_t created,
                            QPageSize::PageSizeId paper);

// Writes the PDF and the JSON, both whole and put in place together: when
// either cannot be written, neither changes. False with a reason then.
bool WriteServiceReport(const ServiceJournal& journal, const JobInfo& job, const std::string& pdfPath,
                        int64_t created, std::string& reason);
