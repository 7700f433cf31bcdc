#pragma once
// Files the program keeps are written whole or not at all: the bytes go to a
// hidden temporary file in the target's folder (".NAME.XXXXXX"), are flushed
// to the disk, and the file is then renamed (or linked) into place in one
// step. A failure or a killed process leaves at most that hidden temporary
// file, never a partial file under the target's name.
//
// Only regular files are written. A path that is a folder, a FIFO, a device
// node or a socket is refused and left as it is; a symbolic link is followed,
// and the file it points to is replaced (in that file's folder), so the link
// stays a link.
#include <string>
#include <vector>

// Writes data to path. With replace false an existing file is never
// overwritten: the result is then EEXIST. Returns 0, or the errno value of
// the step that failed (reason then says what failed, in words).
int WriteFileAtomically(const std::string& path, const std::string& data, bool replace, std::string& reason);

// Files that belong together (a report and its data, an image and its
// record): each is written to its temporary file first, and only when all
// are complete are they put in place. When one cannot be put in place, those
// already placed get their previous contents back. 0 or the errno value.
struct FileData {
    std::string path;
    std::string data;
};
int WriteFilesTogether(const std::vector<FileData>& files, std::string& reason);

// Whether path may be written: 0 with the regular file that a write replaces
// (path itself, or where its symbolic links lead; it need not exist yet), or
// the errno value and the reason, in words.
int OutputTarget(const std::string& path, std::string& target, std::string& reason);

// A temporary file of these writes: true for ".NAME.XXXXXX", with NAME.
bool IsTemporaryFileName(const std::string& fileName, std::string& name);

// Creates the folder and its missing parents; 0 or the errno value.
int MakeFolders(const std::string& folder);
