#pragma once
// The certificate that an IPPS printer showed on a TLS connection, and whether it may be
// trusted: the system's trust for the printer's name, or else the fingerprint pinned for
// the port (a self-signed certificate, as most printers have, is trusted on first use).
#include <windows.h>

#include <wincrypt.h>

#include <string>

struct ServerCertificate {
  std::string fingerprint;     // SHA-256 of the encoded certificate, 64 upper-case hex digits
  bool systemTrusted = false;  // its chain and name pass the system's TLS policy
};

// Reads what the certificate came to; an empty fingerprint when it cannot be hashed.
ServerCertificate ExamineCertificate(PCCERT_CONTEXT certificate, const std::string& host);

// A pin as an administrator may write it (lower case, colons) in the form of a fingerprint.
std::string NormalizedFingerprint(const std::string& pin);

enum class CertificateTrust {
  System,     // the system trusts it: the pin is not needed
  FirstUse,   // nothing pinned yet: the caller keeps the fingerprint
  Pinned,     // the fingerprint pinned
  Changed,    // another certificate than the one pinned: refused
};
CertificateTrust TrustIn(const ServerCertificate& certificate, const std::string& pinned);
