#pragma once
// Files the program keeps are written whole or not at all: the bytes go to a
// hidden temporary file in the target's folder, are flushed to the disk, and
// the file is then renamed (or linked) into place in one step. A failure or a
// killed process leaves at most that hidden temporary file, never a partial
// file under the target's name.
#include <string>

// Writes data to path. With replace false an existing file is never
// overwritten: the result is then EEXIST. Returns 0, or the errno value of
// the step that failed (reason then says what failed, in words).
int WriteFileAtomically(const std::string& path, const std::string& data, bool replace, std::string& reason);

// Creates the folder and its missing parents; 0 or the errno value.
int MakeFolders(const std::string& folder);
