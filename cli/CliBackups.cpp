// dorvel-adj-cli backups: the backups of radio images, oldest first, with
// their date, model, variant and whether the radio was partly written when
// it was backed up; then the last good one, the file to restore from.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "records/BackupStore.h"
#include "records/ImageFile.h"
#include "cli/Commands.h"

namespace {

struct Listed {
    std::string sortKey;   // the time in the name, then the file's time, then the name
    std::string line;
    std::string path;
    bool good = false;
};

}  // namespace

int CliBackups(const std::vector<std::string>& args)
{
    CliOptions opt;
    if (!ParseOptions("backups", args, {}, opt))
        return 2;
    if (!opt.positional.empty()) {
        std::cerr << "dorvel-adj-cli backups: usage: backups" << std::endl;
        return 2;
    }
    const std::string folder = DefaultBackupFolder();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        std::cout << "No backups in " << folder << std::endl;
        return 0;
    }
    std::vector<Listed> listed;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.empty() || name[0] == '.' || name.size() < 5 || name.compare(name.size() - 4, 4, ".bin") != 0)
            continue;
        Listed l;
        l.path = folder + "/" + name;
        const size_t cut = name.find('_');
        // Names carry the time to the second; backups of one second (a
        // partial one and the good one after it) are told apart by the time
        // their file was written.
        const std::string stamp = cut == std::string::npos ? name : name.substr(cut + 1, 19);
        struct stat st {};
        char written[32] = "";
        if (::stat(l.path.c_str(), &st) == 0)
            std::snprintf(written, sizeof written, "%020lld%09ld", static_cast<long long>(st.st_mtim.tv_sec),
                          static_cast<long>(st.st_mtim.tv_nsec));
        l.sortKey = stamp + " " + written + " " + name;
        ByteStr image;
        std::optional<ImageRecord> record;
        std::string reason;
        if (!LoadImageAndRecord(l.path, image, record, reason)) {
            l.line = "unreadable: " + reason;
        } else {
            const bool mid = ImageIsMid(image);
            const bool partial = record && !record->partial.empty();
            const std::string date = record && !record->time.empty() ? record->time.substr(0, 19) : "(no record)";
            const std::string model = record ? ModelText(record->mainCode, record->subCode) : "?";
            l.line = date + "  " + model + "  " + (mid ? "Mid     " : "standard") + "  " +
                     (partial ? "partial" : "       ") + "  " + l.path;
            l.good = record.has_value() && !partial;
        }
        listed.push_back(l);
    }
    closedir(dir);
    std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) { return a.sortKey < b.sortKey; });
    if (listed.empty()) {
        std::cout << "No backups in " << folder << std::endl;
        return 0;
    }
    for (const Listed& l : listed)
        std::cout << l.line << '\n';
    const auto good = std::find_if(listed.rbegin(), listed.rend(), [](const Listed& l) { return l.good; });
    if (good != listed.rend())
        std::cout << "Last good backup: " << good->path << '\n';
    else
        std::cout << "No good backup: every one is partly written or has no record.\n";
    std::cout.flush();
    return 0;
}
