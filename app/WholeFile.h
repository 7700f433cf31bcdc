#pragma once
// Files the program writes for the operator (reports): written beside the
// target under a temporary name and renamed over it only when complete, so
// that a failed write never leaves half a file under the final name.
#include <string>

// False with the system's reason when the file could not be written; the
// target is then as it was.
bool WriteWholeFile(const std::string& path, const std::string& data, std::string& reason);
