#include "HeldFiles.h"

namespace {

bool IsHeld(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_USER_MAPPED_FILE;
}

// Renames a held file to a new name in its folder and has Windows delete it at its next
// start; the original name is free afterwards.
DWORD MoveAside(const std::string& path) {
  const std::string folder = path.substr(0, path.find_last_of('\\'));
  char aside[MAX_PATH] = {};
  if (GetTempFileNameA(folder.c_str(), "prl", 0, aside) == 0) return GetLastError();
  if (!MoveFileExA(path.c_str(), aside, MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = GetLastError();
    DeleteFileA(aside);
    return error;
  }
  if (!MoveFileExA(aside, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return GetLastError();
  return ERROR_SUCCESS;
}

}  // namespace

DWORD PutFile(const std::string& source, const std::string& target, FileOutcome& outcome) {
  outcome = FileOutcome::Done;
  if (CopyFileA(source.c_str(), target.c_str(), FALSE)) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  if (!IsHeld(error)) return error;
  if (DWORD aside = MoveAside(target); aside != ERROR_SUCCESS) return aside;
  outcome = FileOutcome::DoneHeld;
  return CopyFileA(source.c_str(), target.c_str(), FALSE) ? ERROR_SUCCESS : GetLastError();
}

DWORD RemoveFile(const std::string& path, FileOutcome& outcome) {
  outcome = FileOutcome::Done;
  if (DeleteFileA(path.c_str())) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return ERROR_SUCCESS;
  if (!IsHeld(error)) return error;
  outcome = FileOutcome::DoneHeld;
  return MoveAside(path);
}
