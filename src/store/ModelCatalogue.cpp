#include "ModelCatalogue.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "PortConfig.h"
#include "ResourceText.h"
#include "TextField.h"

namespace {

constexpr char kDataSection[] = "PraloPrinterData";
constexpr char kModelSection[] = "PraloPrinters";
constexpr char kNotFound[] = "NotFound";
// Room for each key name in the section's key list.
constexpr size_t kKeyNameAllowance = 50;

PrinterModel UnknownModel() {
  PrinterModel unknown{};
  CopyText(unknown.identifier, "0.0.0.0.0.0");
  CopyText(unknown.displayName, ResourceText(335));
  CopyText(unknown.lprQueue, kDefaultLprQueue);
  unknown.rawPortNumber = 515;
  return unknown;
}

std::string ReadProfileText(const char* section, const char* key, const std::string& path) {
  char line[260] = {};
  GetPrivateProfileStringA(section, key, kNotFound, line, 259, path.c_str());
  return line;
}

// Leading decimal digits with an optional sign, blanks before them skipped; 0 for none.
int32_t DecimalOf(const char* text) { return static_cast<int32_t>(std::strtol(text, nullptr, 10)); }

// Fills a model from its value line: further-key count, unused number, display name,
// queue, raw port. Missing fields leave texts empty and numbers 0; long texts are cut.
int32_t FillModel(PrinterModel& model, const char* identifier, std::string line) {
  model = PrinterModel{};
  CopyText(model.identifier, identifier);
  const int fieldCount = SplitCommaList(line.data());
  const char* field = line.c_str();
  const char* fields[5] = {"", "", "", "", ""};
  for (int i = 0; i < fieldCount && i < 5; ++i, field += std::strlen(field) + 1) fields[i] = field;
  CopyText(model.displayName, fields[2]);
  CopyText(model.lprQueue, fields[3]);
  model.rawPortNumber = DecimalOf(fields[4]);
  int32_t furtherKeys = DecimalOf(fields[0]);
  return furtherKeys > 0 ? furtherKeys : 0;
}

bool ReadModels(ModelCatalogue& catalogue, const std::string& iniPath);

}  // namespace

int SplitCommaList(char* text) {
  int fields = 1;
  for (char* c = text; *c != '\0'; ++c) {
    if (*c == ',') {
      *c = '\0';
      ++fields;
    }
  }
  return fields;
}

bool LoadModelCatalogue(ModelCatalogue& catalogue) {
  char windows[260] = {};
  GetWindowsDirectoryA(windows, sizeof windows);
  return LoadModelCatalogueFrom(catalogue, std::string(windows) + "\\PrlModels.ini");
}

bool LoadModelCatalogueFrom(ModelCatalogue& catalogue, const std::string& iniPath) {
  catalogue.count = 0;
  catalogue.entries.assign(1, UnknownModel());
  try {
    return ReadModels(catalogue, iniPath);
  } catch (const std::bad_alloc&) {
    catalogue.count = 0;
    catalogue.entries.resize(1);
    return false;
  }
}

namespace {

bool ReadModels(ModelCatalogue& catalogue, const std::string& iniPath) {
  std::string printers = ReadProfileText(kDataSection, "NumPrinters", iniPath);
  if (printers == kNotFound) return false;
  std::string drivers = ReadProfileText(kDataSection, "NumDrivers", iniPath);
  if (drivers == kNotFound) return false;
  const int32_t count = DecimalOf(printers.c_str()) > 0 ? DecimalOf(printers.c_str()) : 0;
  const int32_t driverCount = DecimalOf(drivers.c_str()) > 0 ? DecimalOf(drivers.c_str()) : 0;

  // Key names, each NUL-terminated, the list ending with an empty name. A list longer
  // than the allowance is cut by the profile function.
  std::vector<char> names((static_cast<size_t>(count) + static_cast<size_t>(driverCount)) * kKeyNameAllowance + 2, '\0');
  GetPrivateProfileStringA(kModelSection, nullptr, "", names.data(), static_cast<DWORD>(names.size()), iniPath.c_str());

  // Models whose key names the list does not hold are left out, so that no entry has
  // an empty identifier (which would be a prefix of every printer's).
  const char* cursor = names.data();
  const char* end = names.data() + names.size();
  for (int32_t i = 1; i <= count && cursor < end && *cursor != '\0'; ++i) {
    PrinterModel& model = catalogue.entries.emplace_back();
    int32_t furtherKeys = FillModel(model, cursor, ReadProfileText(kModelSection, cursor, iniPath));
    cursor += std::strlen(cursor) + 1;
    for (int32_t k = 0; k < furtherKeys && cursor < end && *cursor != '\0'; ++k) cursor += std::strlen(cursor) + 1;
    catalogue.count = i;
  }
  return true;
}

}  // namespace

int FindModelByIdentifier(const ModelCatalogue& catalogue, const char* reported) {
  for (int32_t i = 0; i <= catalogue.count && i < static_cast<int32_t>(catalogue.entries.size()); ++i) {
    const char* identifier = catalogue.entries[static_cast<size_t>(i)].identifier;
    if (std::strncmp(identifier, reported, std::strlen(identifier)) == 0) return i;
  }
  return 0;
}
