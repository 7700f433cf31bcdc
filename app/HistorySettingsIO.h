#pragma once
// The [HISTORY] section of the settings file: whether the bench keeps a
// history, and the shop's PostgreSQL server when it names one (Host, Port,
// Database, User, or a Service of pg_service.conf). A password never comes
// from the settings file: libpq takes it from ~/.pgpass or the service file.
#include <string>

#include "platform/ProfileFile.h"
#include "records/HistoryRecorder.h"

// warning: "" or what in the section is not used, in words.
HistorySettings ReadHistorySettings(platform::ProfileFile& profile, const std::string& fileName,
                                    std::string& warning);
