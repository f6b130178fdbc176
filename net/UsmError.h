#pragma once
// Why an SNMPv3 question failed where the printer answered: the Reports of its User-based
// Security Model (RFC 3414 section 3.2), and what we could not do ourselves. Each has an
// English text that callers print as it stands.
//
// An agent may drop a request that it cannot decrypt without a Report (net-snmp does: the
// decrypted bytes simply fail to parse). An agent that answered our discovery probe and
// then never the encrypted request is said so, rather than "no answer".

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
  EncryptedUnanswered,       // the agent answered the discovery, never the encrypted request
  NoProfile,                 // a user without a name (RFC 3414 names have 1 to 32 characters):
                             // what a port that asks with the machine's profile gets while none
                             // is stored (SnmpCredentials.h); nothing is sent
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
    case UsmError::EncryptedUnanswered:
      return "the printer answered the SNMPv3 discovery but not the encrypted request: the privacy pass phrase or "
             "protocol is probably wrong";
    case UsmError::NoProfile: return "no SNMPv3 profile is set on this machine";
  }
  return "unknown SNMPv3 error";
}
