#pragma once
// Delivery to an HTTP or HTTPS server: each staged file is sent with PUT into the directory of
// the upload rule's URL, under its own name. A delivery never replaces one that is there: a
// HEAD asks first whether the name is taken, the PUT carries "If-None-Match: *" for a server
// that can refuse a name taken in between, and a taken name moves on to the numbered names
// of local deliveries ("-2", "-3", ...). A server that answers HEAD with 405 or 501 (one that
// takes PUT alone) cannot tell, and may not heed If-None-Match either: each name sent there
// is made unique first, "-<UTC time>-<random>" before the extension.

#include <memory>
#include <string>

#include "plugins/uploader/UplDelivery.h"

namespace upl {

// The upload rule's URL taken apart. The user name and password come out of the URL (percent
// decoding undone) and reach the transfer only through its options, never a URL that could be
// logged; the password is wiped when the location goes.
struct HttpLocationT {
  std::string scheme;     // "http" or "https", lower case
  std::string authority;  // host and port as written, without user information
  std::string directory;  // the path of the rule's directory, percent-encoded, "" for the root
  std::string user;
  std::string password;

  HttpLocationT() = default;
  HttpLocationT(const HttpLocationT&) = delete;
  HttpLocationT& operator=(const HttpLocationT&) = delete;
  ~HttpLocationT();
  // "<scheme>://<authority>": the server as the log names it.
  std::string Server() const { return scheme + "://" + authority; }
  // The URL of `name` in the directory, each part percent-encoded.
  std::string UrlOf(const std::string& name) const;
};

// Whether the rule names an HTTP or HTTPS location (the scheme in any case).
bool IsHttpLocation(const std::string& ruleValue);
// Takes "<scheme>://[user[:password]@]host[:port]/<dir>/<file>" apart; fails for a URL
// without a host or without a file name after its directory. The user information ends where
// the log's password masking says it does (log_UserInfoEnd), so the password the transfer
// sends is the very text the log hides, "@" and "/" in it included.
OutcomeT ParseHttpLocation(const std::string& ruleValue, HttpLocationT* location);
// One path segment percent-encoded: every byte but letters, digits and "-._~!$&'()*+,;=:@".
std::string EncodePathSegment(const std::string& segment);

struct HttpOptionsT {
  long stallSeconds = 60;       // UploadTimeout: longest time without progress, connecting included
  long requestSeconds = 1800;   // UploadRequestTimeout: longest time one request may take in all
  StoppingT stopping;           // asked while a request runs (about once a second at the least)
  bool checkCertificate = true; // verify the server's certificate and name
  std::string caFile;           // the agent's own authorities: a file of certificates,
  std::string caPath;           // or a hashed directory; both empty: the system's store
};

// The most names a delivery tries at a server (the rule's name, then "-2", "-3", ...): a
// server that calls every name taken must not be sent the file again and again.
constexpr int c_MaxServerNames = 100;

// One connection's worth of deliveries to one server.
class HttpSenderC {
 public:
  HttpSenderC(const HttpLocationT& location, const HttpOptionsT& options);
  ~HttpSenderC();
  HttpSenderC(const HttpSenderC&) = delete;
  HttpSenderC& operator=(const HttpSenderC&) = delete;

  // Sends source (a regular file, not reached through a link) as `name`, or under the first
  // numbered name that is free; `taken` receives the name the server now has it under.
  OutcomeT Send(const std::string& source, const std::string& name, std::string* taken);

 private:
  struct StateT;
  std::unique_ptr<StateT> state_;
};

}  // namespace upl
