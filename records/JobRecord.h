#pragma once
// What a job's report says beyond the journal: the program's version, the
// backup taken at "Connect" (the file to restore from), the technician's
// details, and every byte the job changed in the radio, whoever changed it
// (the difference between the image read at "Connect" and the one the
// program holds now).
//
// Job details belong to one job. A job begins when "Connect" is pressed and
// lasts until the next "Connect". Details typed while no radio is connected
// (before the first "Connect", during a clone read, after a failed one)
// belong to the job that "Connect" starts or has started; details typed
// while a radio is connected belong to that radio's job. A new "Connect"
// keeps the technician and the work order (one person, one order, many
// radios) and drops a serial number that was typed for the previous radio,
// so one radio's serial number never lands in the next radio's record.
#include <optional>
#include <string>
#include <vector>

#include "model/ModelListener.h"
#include "platform/ByteStr.h"
#include "records/ImageCompare.h"
#include "records/RunRecord.h"

class clsCmcRadio;
class ImageKeeper;

// Text typed or scanned, without the blanks and line ends around it.
std::string TrimmedText(const std::string& s);

struct JobDetails {
    std::string technician;
    std::string order;    // the work order
    std::string serial;   // the radio's serial number
};

// The report's view of the job, taken when the report is made.
struct JobInfo {
    std::string version;      // the program's version
    std::string backupPath;   // "" when no backup was taken at "Connect"
    JobDetails details;
    bool imageRead = false;   // false: no clone read ended well, nothing to compare
    std::vector<ImageDifference> changes;
    // The procedure run of this job, when one ran (its verdict page).
    std::optional<RunRecord> run;
};

class JobRecord : public ModelListener {
public:
    JobRecord(clsCmcRadio& radio, const ImageKeeper& keeper, std::string version);

    // Sets one detail ("technician", "order" or "serial"); false for
    // another name. Leading and trailing blanks are dropped.
    bool setDetail(const std::string& name, const std::string& value);
    const JobDetails& details() const { return details_; }
    // True while a radio's image is loaded: details then go to its job.
    bool connected() const { return connected_; }

    JobInfo info() const;
    const std::string& version() const { return version_; }
    // The backup taken at this job's "Connect" ("" for none).
    const std::string& backupPath() const { return backupPath_; }
    // Counts the jobs: each "Connect" starts the next.
    int jobNumber() const { return jobNumber_; }

    void connectStarted() override;
    void imageLoaded() override;
    void connectFailed() override { connected_ = false; }

private:
    clsCmcRadio& radio_;
    const ImageKeeper& keeper_;
    std::string version_;
    JobDetails details_;
    bool serialForNextJob_ = false;   // typed while no radio was connected
    bool connected_ = false;
    int jobNumber_ = 0;
    ByteStr atConnect_;
    std::string backupPath_;
};
