#include "records/JobRecord.h"

#include "link/clsCmcRadio.h"
#include "records/ImageKeeper.h"

std::string TrimmedText(const std::string& s)
{
    const size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

JobRecord::JobRecord(clsCmcRadio& radio, const ImageKeeper& keeper, std::string version)
    : radio_(radio), keeper_(keeper), version_(std::move(version))
{
}

bool JobRecord::setDetail(const std::string& name, const std::string& value)
{
    const std::string v = TrimmedText(value);
    if (name == "technician")
        details_.technician = v;
    else if (name == "order")
        details_.order = v;
    else if (name == "serial")
        details_.serial = v, serialForNextJob_ = !connected_;
    else
        return false;
    return true;
}

void JobRecord::connectStarted()
{
    ++jobNumber_;
    if (!serialForNextJob_)
        details_.serial.clear();
    connected_ = false;
    atConnect_.clear();
    backupPath_.clear();
}

void JobRecord::imageLoaded()
{
    // After the keeper, which has just taken the backup of this image.
    connected_ = true;
    serialForNextJob_ = false;
    atConnect_ = radio_.eepImage().bytes();
    backupPath_ = keeper_.lastBackup();
}

JobInfo JobRecord::info() const
{
    JobInfo i;
    i.version = version_;
    i.backupPath = backupPath_;
    i.details = details_;
    i.imageRead = !atConnect_.empty();
    if (i.imageRead)
        i.changes = CompareImages(atConnect_, radio_.eepImage().bytes());
    return i;
}
