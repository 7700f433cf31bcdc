#pragma once
// Where the program keeps its settings file.
#include <string>

namespace platform {

// The folder of the running program (without a trailing slash), or "" when
// it cannot be told.
std::string ProgramFolder();

// The folder for the settings file fileName: the program's own folder when
// the file there can be written (or created), otherwise the user's
// configuration folder $XDG_CONFIG_HOME/dorvel-adj (~/.config/dorvel-adj when
// the variable is unset or not an absolute path). The folder need not exist
// yet; the first write creates it.
std::string SettingsFolder(const std::string& programFolder, const std::string& fileName);

}  // namespace platform
