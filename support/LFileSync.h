// Making files survive a power cut, not only a crash of the program: a
// file's data forced out of the system's cache onto the disk, and a finished
// file put in place of another so that the name always holds one whole
// version, the old or the new, whatever moment the machine stops at.
#pragma once
#include <string>

namespace sondrel {

// Writes the system's cached data of an existing file to the disk. False
// when the file cannot be opened or the system reports a failure.
bool SyncFile(const std::string& path);

// Puts the finished file from in the place of to (replacing it), and makes
// the change of names itself reach the disk. from must already be synced.
bool ReplaceDurably(const std::string& from, const std::string& to);

// Deletes a file and makes the deletion reach the disk; false when the file
// stays.
bool DeleteDurably(const std::string& path);

}  // namespace sondrel
