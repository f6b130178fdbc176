#pragma once
// The printer models that the monitor knows, read from PrlModels.ini in the Windows
// directory. Entry 0 is the fixed "Unknown" entry; entries 1 to count follow the file.
#include <cstdint>
#include <string>
#include <vector>

struct PrinterModel {
  char identifier[60];  // the INI key name, matched as a prefix of a printer's identifier
  char displayName[60];
  char lprQueue[256];
  int32_t rawPortNumber;
};

struct ModelCatalogue {
  int32_t count = 0;
  std::vector<PrinterModel> entries;  // count + 1 entries once loaded
};

// Loads the catalogue from the Windows directory's PrlModels.ini; false when the file
// lacks "NumPrinters" or "NumDrivers". A failed load leaves entry 0 alone with count 0.
bool LoadModelCatalogue(ModelCatalogue& catalogue);
bool LoadModelCatalogueFrom(ModelCatalogue& catalogue, const std::string& iniPath);

// The first entry, from 0 up, whose identifier is a prefix of the reported one; 0 when
// none is.
int FindModelByIdentifier(const ModelCatalogue& catalogue, const char* reported);

// Replaces every comma by a NUL in place; returns the number of fields.
int SplitCommaList(char* text);
