#pragma once
#include <cstdlib>
#include <string>

// Where a test run leaves its screenshots: $PRALO_SCREENSHOTS, else the working folder.
inline std::string ScreenshotPath(const std::string& name) {
  const char* folder = std::getenv("PRALO_SCREENSHOTS");
  return (folder != nullptr && *folder != '\0' ? std::string(folder) + "\\" : std::string()) + name;
}
