#pragma once
// The bi-directional status words that a printer's driver data keeps.
#include <cstdint>

// The second 32-bit word of the printer's "PbdStatus" value; 0 when the printer has
// no driver data or the value holds fewer than 8 bytes.
uint32_t ReadPbdStatus(const char* printerName);

// True when the printer's "PbdControl" value reports two-way communication with the
// printer established (IsLinkEstablished of its second word, common/BidiWordLayout.h);
// false when the printer has no driver data. Reading creates nothing.
bool IsBiDiLinkEstablished(const char* printerName);
