#pragma once
// Replacing and removing the monitor's files while a process holds them loaded: the
// spooler service keeps the monitor, Explorer may keep its UI library. A loaded library
// cannot be written or deleted (a sharing violation), but it can be renamed: the held
// file is moved aside under a temporary name in its folder, to be deleted when Windows
// next starts (MoveFileEx, MOVEFILE_DELAY_UNTIL_REBOOT), and the holder goes on with it
// until it loads the library again.
#include <windows.h>

#include <string>

enum class FileOutcome { Done, DoneHeld };

// Copies source over target: ERROR_SUCCESS or the system's error code.
DWORD PutFile(const std::string& source, const std::string& target, FileOutcome& outcome);
// Deletes path; a file that is not there is deleted already.
DWORD RemoveFile(const std::string& path, FileOutcome& outcome);
