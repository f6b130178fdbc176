#pragma once
// An SNMPv3 user of the User-based Security Model (RFC 3414): its name, security level,
// protocols and pass phrases. The keys are made from the pass phrases for each agent
// (localized to its engine ID) where they are used; the pass phrases themselves are
// kept only protected on disk and wiped from memory when the user goes.
#include <string>

enum class UsmLevel { NoAuthNoPriv, AuthNoPriv, AuthPriv };
enum class UsmAuth { None, HmacSha96, HmacSha256 };  // HMAC-SHA-96, HMAC-SHA-256-192 (RFC 7860)
enum class UsmPriv { None, Aes128Cfb };              // RFC 3826

struct UsmUser {
  std::string name;
  UsmLevel level = UsmLevel::AuthPriv;
  UsmAuth auth = UsmAuth::HmacSha96;
  UsmPriv priv = UsmPriv::Aes128Cfb;
  std::string authPassphrase;
  std::string privPassphrase;

  UsmUser() = default;
  UsmUser(const UsmUser&) = default;
  UsmUser& operator=(const UsmUser&) = default;
  ~UsmUser() {
    Wipe(authPassphrase);
    Wipe(privPassphrase);
  }

 private:
  // Through a volatile pointer, so that the compiler keeps the writes (the host build has
  // no SecureZeroMemory).
  static void Wipe(std::string& text) {
    for (volatile char* c = text.data(); c != text.data() + text.size(); ++c) *c = 0;
  }
};
