#pragma once
// Why an SNMPv3 question failed where the printer answered: the Reports of its User-based
// Security Model (RFC 3414 section 3.2), and what we could not do ourselves. Each has an
// English text that callers print as it stands.

enum class UsmError {
  None,
  UnknownUser,               // usmStatsUnknownUserNames
  WrongDigest,               // usmStatsWrongDigests
  UnsupportedSecurityLevel,  // usmStatsUnsupportedSecLevels
  DecryptionError,           // usmStatsDecryptionErrors
  NotInTimeWindow,           // usmStatsNotInTimeWindows, again after one resynchronisation
  UnknownEngine,             // usmStatsUnknownEngineIDs for the engine the agent itself gave
  Refused,                   // another Report
  NoKey,                     // an empty pass phrase, or no key from the system
};

inline const char* UsmErrorText(UsmError error) {
  switch (error) {
    case UsmError::None: return "no error";
    case UsmError::UnknownUser: return "the printer does not know this SNMPv3 user";
    case UsmError::WrongDigest: return "the printer refused the authentication: wrong authentication pass phrase or protocol";
    case UsmError::UnsupportedSecurityLevel: return "the printer does not accept this user at this security level";
    case UsmError::DecryptionError: return "the printer could not decrypt the request: wrong privacy pass phrase or protocol";
    case UsmError::NotInTimeWindow: return "the printer's SNMPv3 clock could not be followed (not in time window)";
    case UsmError::UnknownEngine: return "the printer does not accept the SNMPv3 engine ID it gave";
    case UsmError::Refused: return "the printer refused the SNMPv3 request";
    case UsmError::NoKey: return "no SNMPv3 key could be made from the pass phrase (is it empty?)";
  }
  return "unknown SNMPv3 error";
}
