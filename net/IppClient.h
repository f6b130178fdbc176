#pragma once
// One IPP request posted over WinHTTP (the system's HTTP and TLS) to a printer URI:
// ipp:// over http, ipps:// over https. Every wait is bounded. The body (the IPP request's
// attributes, then the document) is written in pieces: straight to the printer when its
// length is known; kept in a temporary file until it ends when it is not (a print job of
// unknown length), then sent with its length.
//
// On every TLS connection the printer's certificate is examined before any byte of the
// body is sent (ServerCertificate.h): the pinned one goes on, and another one, whoever
// signed it, is refused with both fingerprints; with nothing pinned, a certificate the
// system trusts passes and any other is trusted on first use (the caller keeps it).
#include <windows.h>

#include <winhttp.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Ipp.h"
#include "ServerCertificate.h"
#include "Unique.h"

struct IppTimeouts {
  int resolveMs = 10000;
  int connectMs = 10000;
  int sendMs = 30000;     // each piece of the body
  int receiveMs = 60000;  // the response, after the whole body
};

struct IppOutcome {
  enum class Failure {
    None,
    BadUri,              // not an ipp:// or ipps:// URI
    Connection,          // no connection, TLS failed, a send or receive failed or timed out: `error`
    CertificateChanged,  // another certificate than the one pinned: nothing was sent
    HttpStatus,          // the printer answered HTTP `httpStatus`, not 200
    Malformed,           // the response is not IPP (or over the codec's limits)
  };
  Failure failure = Failure::None;
  DWORD error = 0;       // the WinHTTP or system error of a failed connection
  DWORD httpStatus = 0;
  bool secure = false;
  ServerCertificate certificate;  // over ipps://: what the printer showed
  CertificateTrust trust = CertificateTrust::System;    // over ipps://: how it was trusted (Changed: refused)
  std::string pinned;             // the pin that was checked
  std::optional<ipp::Response> response;
  bool bodyStarted = false;       // a byte of the body was handed to the printer

  bool Answered() const { return failure == Failure::None; }
  // A bound ran out: the printer took nothing, or did not answer, within it.
  bool TimedOut() const;
  // The printer took nothing within a bound before the body began: it stalled with nothing
  // of the request, which may be posted again from its start.
  bool Stalled() const;
  // The printer read the request and answered that it is busy (server-error-busy, or
  // HTTP 503): it keeps nothing of it, and the request may be posted again.
  bool Busy() const;
  // One sentence for a user: what failed (both fingerprints for a changed certificate).
  std::string Text() const;
};

using UniqueInternet = Unique<HINTERNET, WinHttpCloseHandle>;

// A request in progress. Begin, Write every piece, Finish; after a failure every call
// fails at once and Finish gives the failure.
class IppPost {
 public:
  // A body of unknown length is kept in `keepFolder` (the system's temporary folder when
  // empty) under a name no one can guess; a service gives a folder that only it can write.
  IppPost(const std::string& uri, std::string pinned, const IppTimeouts& timeouts = {}, std::string keepFolder = {});
  IppPost(const IppPost&) = delete;
  IppPost& operator=(const IppPost&) = delete;

  // With the body's length: connects and sends the headers; over TLS the certificate is
  // checked here (false when refused). Without: the pieces are kept until Finish, which
  // connects then. A body over 4 GB - 1 is refused (ERROR_FILE_TOO_LARGE).
  bool Begin(std::optional<uint64_t> length);
  // One piece of the body.
  bool Write(std::span<const uint8_t> piece);
  // Ends the body (a kept body is sent now) and reads the response.
  IppOutcome Finish();
  // A kept body posted again from its start on a new connection, checked against `pinned`.
  IppOutcome Again(std::string pinned);
  // What is known so far: the certificate after Begin, the failure if there was one.
  const IppOutcome& Outcome() const { return outcome_; }

 private:
  bool Fail(IppOutcome::Failure failure, DWORD error = 0);
  bool Open();
  bool SendHeaders(uint64_t length);
  bool CheckCertificate();
  bool Send(std::span<const uint8_t> bytes);
  bool Keep(std::span<const uint8_t> piece);
  bool KeepInFile(std::span<const uint8_t> bytes);
  bool SendKept();
  bool ReadResponse();

  std::optional<ipp::Uri> uri_;
  IppTimeouts timeouts_;
  IppOutcome outcome_;
  std::string keepFolder_;
  UniqueHandle kept_;              // the body of unknown length, until the post goes
  std::vector<uint8_t> gathered_;  // its latest bytes, under a piece, not yet in the file
  UniqueInternet session_, connection_, request_;
};

// Posts a request whose body is whole (attributes, and a document if any).
IppOutcome PostIpp(const std::string& uri, std::span<const uint8_t> body, const std::string& pinned,
                   const IppTimeouts& timeouts = {});
