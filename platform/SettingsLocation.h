#pragma once
// Where the program keeps its settings file.
#include <string>

namespace platform {

// The folder of the running program (without a trailing slash), or "" when
// it cannot be told.
std::string ProgramFolder();

// The program's folder among the user's folders of one kind: the base
// directory variable's folder (XDG_CONFIG_HOME, XDG_DATA_HOME) or, when it
// is unset or not an absolute path, underHome in the home folder; then
// "dorvel-adj".
std::string UserFolder(const char* variable, const char* underHome);

// The user's own settings folder: $XDG_CONFIG_HOME/dorvel-adj, or
// ~/.config/dorvel-adj when the variable is unset or not an absolute path.
std::string UserSettingsFolder();

// The settings file as read at start-up and as written at the end.
struct SettingsFiles {
    std::string read;
    std::string write;
};

// The user's own file when there is one, for reading and writing alike;
// otherwise the program folder's file, written in place when it can be and
// else into the user's folder, where the next start then finds it.
SettingsFiles ChooseSettingsFiles(const std::string& programFile, const std::string& userFile, bool userFileExists,
                                  bool programFileWritable);
// The same for fileName, as the file system stands. The user's folder need
// not exist yet; the first write creates it.
SettingsFiles SettingsLocation(const std::string& programFolder, const std::string& fileName);

}  // namespace platform
