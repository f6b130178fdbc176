#pragma once
// The certificate that an IPPS printer showed on a TLS connection, and whether it may be
// trusted: the fingerprint pinned for the port where there is one, else the system's
// trust for the printer's name (a self-signed certificate, as most printers have, is
// trusted on first use).
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
  System,     // nothing pinned, and the system trusts it
  FirstUse,   // nothing pinned yet: the caller keeps the fingerprint
  Pinned,     // the fingerprint pinned
  Changed,    // another certificate than the one pinned, whoever signed it: refused
};
CertificateTrust TrustIn(const ServerCertificate& certificate, const std::string& pinned);
