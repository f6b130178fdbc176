#include "ServerCertificate.h"

#include <bcrypt.h>

#include "Unique.h"

namespace {

using UniqueChain = Unique<PCCERT_CHAIN_CONTEXT, CertFreeCertificateChain>;

std::string Hex(const BYTE* bytes, DWORD size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (DWORD i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

// The chain to a root the machine trusts, for a server's authentication, and the name.
bool PassesSslPolicy(PCCERT_CONTEXT certificate, const std::string& host) {
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof chainPara;
  UniqueChain chain;
  PCCERT_CHAIN_CONTEXT made = nullptr;
  if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0, nullptr, &made))
    return false;
  chain.reset(made);
  std::wstring name(host.begin(), host.end());
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = name.data();
  CERT_CHAIN_POLICY_PARA policyPara{};
  policyPara.cbSize = sizeof policyPara;
  policyPara.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  return CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policyPara, &status) &&
         status.dwError == 0;
}

}  // namespace

ServerCertificate ExamineCertificate(PCCERT_CONTEXT certificate, const std::string& host) {
  ServerCertificate examined;
  BYTE hash[32];
  DWORD size = sizeof hash;
  if (CryptHashCertificate2(BCRYPT_SHA256_ALGORITHM, 0, nullptr, certificate->pbCertEncoded,
                            certificate->cbCertEncoded, hash, &size) && size == sizeof hash)
    examined.fingerprint = Hex(hash, size);
  examined.systemTrusted = PassesSslPolicy(certificate, host);
  return examined;
}

std::string NormalizedFingerprint(const std::string& pin) {
  std::string normal;
  for (char c : pin)
    if (c != ':' && c != ' ') normal += static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
  return normal;
}

// A pin holds whoever signed the certificate: a printer that shows another one, even one
// the system trusts, is a changed printer until an administrator trusts it. A certificate
// that cannot be hashed is never taken on trust.
CertificateTrust TrustIn(const ServerCertificate& certificate, const std::string& pinned) {
  const std::string pin = NormalizedFingerprint(pinned);
  if (certificate.fingerprint.empty()) return CertificateTrust::Changed;
  if (!pin.empty()) return pin == certificate.fingerprint ? CertificateTrust::Pinned : CertificateTrust::Changed;
  return certificate.systemTrusted ? CertificateTrust::System : CertificateTrust::FirstUse;
}
