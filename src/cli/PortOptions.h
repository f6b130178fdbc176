#pragma once
// The settings that `add` and `set` take, and how they go into a port's record.
#include <optional>
#include <string>

#include "CommandLine.h"
#include "ModelCatalogue.h"
#include "PortConfig.h"

struct PortOptions {
  enum class Model { Unchanged, Identify, Catalogue, Custom };
  Model model = Model::Unchanged;
  int modelIndex = 0;
  std::optional<std::string> address;
  std::optional<unsigned> rawPort;
  std::optional<std::string> lprQueue;
  bool byteCounting = false;
  std::optional<bool> biDi;
  std::optional<std::string> community;
  std::optional<unsigned> configInterval;
  std::optional<unsigned> statusInterval;
  std::optional<std::string> ippUri;
  std::optional<std::string> documentFormat;
  bool restartSpooler = false;
};

// Reads the options that follow a command's arguments. `changing`: those of an existing
// port, which take `--address`; `--restart-spooler` is a new port's only.
PortOptions ReadPortOptions(CommandLine& line, const ModelCatalogue& catalogue, bool changing);

// Puts the model's defaults into the record as the wizard does: a catalogue model's, or
// the printer's identified model's (a refusal when it is not identified). The SNMP version
// that answered the identification; 0 when the printer was not asked.
uint32_t ApplyModelChoice(PortConfig& config, const PortOptions& options, const ModelCatalogue& catalogue);
// Puts the explicit settings into the record, over whatever the model gave: --raw and
// --lpr make an IPP port raw or LPR again.
void ApplySettings(PortConfig& config, const PortOptions& options);
