#pragma once
// Puts a library of a folder (the system directory unless told) aside, or in its place
// a library that lacks its ordinals, until the object goes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"

class LibraryAside {
 public:
  LibraryAside(const std::string& file, bool replaceWithOrdinalFree, const std::string& folder = "")
      : path_(folder.empty() ? SystemFile(file) : folder + "\\" + file) {
    EXPECT_TRUE(MoveFileExA(path_.c_str(), (path_ + ".aside").c_str(), MOVEFILE_REPLACE_EXISTING));
    if (replaceWithOrdinalFree) {
      EXPECT_TRUE(CopyFileA(SystemFile("prlutil.dll").c_str(), path_.c_str(), FALSE));
    }
  }
  ~LibraryAside() { MoveFileExA((path_ + ".aside").c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING); }
  LibraryAside(const LibraryAside&) = delete;
  LibraryAside& operator=(const LibraryAside&) = delete;

  // The folder of the running program, which the loader searches first.
  static std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\'));
  }

 private:
  std::string path_;
};
