#include "plugins/uploader/UplHttp.h"

#include <curl/curl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string_view>
#include <strings.h>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/SecureURL.h"
#include "foundation/files/SafeFile.h"
#include "plugins/uploader/UplMessages.h"

namespace upl {
namespace {

constexpr const char* c_SchemeEnd = "://";
constexpr const char* c_Http = "http";
constexpr const char* c_Https = "https";
constexpr const char* c_Unreserved = "-._~!$&'()*+,;=:@";
constexpr const char* c_HexDigits = "0123456789ABCDEF";
constexpr long c_FirstSuccess = 200;
constexpr long c_PastSuccess = 300;
constexpr long c_NotFound = 404;
constexpr long c_Gone = 410;
constexpr long c_PreconditionFailed = 412;
// Answers to HEAD of a server that takes PUT alone.
constexpr long c_MethodNotAllowed = 405;
constexpr long c_NotImplemented = 501;
// At least one byte a second counts as progress: below that for UploadTimeout seconds the
// transfer has stalled.
constexpr long c_ProgressBytesPerSecond = 1;
// What a server answers is not kept; only this much of it is read before the answer is cut.
constexpr size_t c_MaxAnswerBytes = 64 * 1024;
constexpr int c_HexBase = 16;

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         std::strchr(c_Unreserved, c) != nullptr;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Undoes the percent encoding of user information; a "%" not followed by two hex digits stays.
std::string PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());  // never grows: no copy of a password is left behind in freed memory
  for (size_t i = 0; i < text.size(); ++i) {
    const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
    if (low >= 0) {
      out += static_cast<char>(high * c_HexBase + low);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

void Wipe(std::string& secret) {
  if (!secret.empty()) explicit_bzero(&secret[0], secret.size());
  secret.clear();
}

size_t DiscardAnswer(char* /*data*/, size_t size, size_t count, void* seen) {
  size_t& total = *static_cast<size_t*>(seen);
  total += size * count;
  // Answering less than was given ends the transfer: an endless answer cannot hold the run.
  return total > c_MaxAnswerBytes ? 0 : size * count;
}

size_t ReadSource(char* buffer, size_t size, size_t count, void* fd) {
  for (;;) {
    const ssize_t n = ::read(*static_cast<int*>(fd), buffer, size * count);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) return CURL_READFUNC_ABORT;
  }
}

// A server that asks for credentials after the body started makes the transfer send it again.
HX_NODISCARD int RewindSource(void* fd, curl_off_t offset, int origin) {
  return ::lseek(*static_cast<int*>(fd), static_cast<off_t>(offset), origin) < 0 ? CURL_SEEKFUNC_CANTSEEK
                                                                                 : CURL_SEEKFUNC_OK;
}

// What makes a name unique at a server that cannot say which are taken: the time in UTC to the
// second and 32 random bits, "20250131T235959Z-0a1b2c3d".
std::string UniquePart() {
  std::random_device random;
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&now, &utc);
  char part[sizeof "20250131T235959Z-0a1b2c3d"] = {};
  const size_t stamped = std::strftime(part, sizeof part, "%Y%m%dT%H%M%SZ", &utc);
  std::snprintf(part + stamped, sizeof part - stamped, "-%08x", static_cast<unsigned>(random()));
  return part;
}

bool IsSecurityFailure(CURLcode code) {
  return code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CONNECT_ERROR ||
         code == CURLE_SSL_CACERT_BADFILE || code == CURLE_SSL_CERTPROBLEM || code == CURLE_SSL_ISSUER_ERROR;
}

}  // namespace

HttpLocationT::~HttpLocationT() { Wipe(password); }

std::string HttpLocationT::UrlOf(const std::string& name) const {
  return Server() + directory + "/" + EncodePathSegment(name);
}

std::string EncodePathSegment(const std::string& segment) {
  std::string out;
  for (const char ch : segment) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsUnreserved(c)) {
      out += ch;
    } else {
      out += '%';
      out += c_HexDigits[c / c_HexBase];
      out += c_HexDigits[c % c_HexBase];
    }
  }
  return out;
}

bool IsHttpLocation(const std::string& ruleValue) {
  const size_t end = ruleValue.find(c_SchemeEnd);
  if (end == std::string::npos) return false;
  const std::string scheme = ruleValue.substr(0, end);
  return strcasecmp(scheme.c_str(), c_Http) == 0 || strcasecmp(scheme.c_str(), c_Https) == 0;
}

OutcomeT ParseHttpLocation(const std::string& ruleValue, HttpLocationT* location) {
  const size_t schemeEnd = ruleValue.find(c_SchemeEnd);
  if (schemeEnd == std::string::npos) return {hx::RC_INVALID_ARG, "The upload location is not a URL"};
  location->scheme = ruleValue.substr(0, schemeEnd);
  for (char& c : location->scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const size_t start = schemeEnd + std::strlen(c_SchemeEnd);
  // The user name ends at the first ":". Views, not copies: the only copy of the password is
  // the location's.
  const std::string_view rest(ruleValue.data() + start, ruleValue.size() - start);
  const size_t at = log_UserInfoEnd(rest);
  size_t hostStart = start;
  if (at != std::string_view::npos) {
    const std::string_view userInfo = rest.substr(0, at);
    const size_t colon = userInfo.find(':');
    location->user = PercentDecoded(userInfo.substr(0, colon));
    if (colon != std::string_view::npos) location->password = PercentDecoded(userInfo.substr(colon + 1));
    hostStart = start + at + 1;
  }
  const size_t pathStart = ruleValue.find('/', hostStart);
  location->authority = ruleValue.substr(hostStart, pathStart == std::string::npos ? std::string::npos : pathStart - hostStart);
  if (location->authority.empty())
    return {hx::RC_INVALID_ARG, "The upload location " + location->Server() + " names no server"};
  const size_t last = ruleValue.rfind('/');
  if (pathStart == std::string::npos || last + 1 >= ruleValue.size() || last < pathStart)
    return {hx::RC_INVALID_ARG, "The upload rule for " + location->Server() + " names no file"};
  location->directory.clear();
  for (size_t from = pathStart; from < last;) {
    const size_t next = ruleValue.find('/', from + 1);
    location->directory += "/" + EncodePathSegment(ruleValue.substr(from + 1, next - from - 1));
    from = next;
  }
  return {};
}

struct HttpSenderC::StateT {
  const HttpLocationT& location;
  HttpOptionsT options;
  CURL* curl = nullptr;
  curl_slist* putHeaders = nullptr;
  char error[CURL_ERROR_SIZE] = {};
  size_t answered = 0;
  // The server answered HEAD as a method it does not have: it is asked no more.
  bool noHead = false;
  // Why the progress callback ended the request in hand.
  enum class EndE { None, Stopped, Deadline } ended = EndE::None;
  std::chrono::steady_clock::time_point deadline;

  StateT(const HttpLocationT& l, const HttpOptionsT& o) : location(l), options(o) {}

  void SetCommonOptions() {
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.stallSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, c_ProgressBytesPerSecond);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, DiscardAnswer);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answered);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, options.checkCertificate ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, options.checkCertificate ? 2L : 0L);
    // The agent's own authorities, when it has any, replace the system's store: a server it
    // was told to believe is believed for those alone.
    if (!options.caFile.empty() || !options.caPath.empty()) {
      curl_easy_setopt(curl, CURLOPT_CAINFO, options.caFile.empty() ? nullptr : options.caFile.c_str());
      curl_easy_setopt(curl, CURLOPT_CAPATH, options.caPath.empty() ? nullptr : options.caPath.c_str());
    }
    if (!location.user.empty() || !location.password.empty()) {
      curl_easy_setopt(curl, CURLOPT_USERNAME, location.user.c_str());
      curl_easy_setopt(curl, CURLOPT_PASSWORD, location.password.c_str());
      curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC | CURLAUTH_DIGEST);
    }
    // No "100-continue" round: the PUT's body follows its headers at once.
    putHeaders = curl_slist_append(putHeaders, "Expect:");
    putHeaders = curl_slist_append(putHeaders, "If-None-Match: *");
  }

  // Called by the transfer at least about once a second, also while it waits for the server:
  // a run being stopped ends the request at once, and so does the request's deadline, which
  // no trickle of bytes can move (the stall limit can only see a transfer that stops).
  static int Progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    StateT& s = *static_cast<StateT*>(self);
    if (s.options.stopping && s.options.stopping()) {
      s.ended = EndE::Stopped;
    } else if (std::chrono::steady_clock::now() >= s.deadline) {
      s.ended = EndE::Deadline;
    }
    return s.ended == EndE::None ? 0 : 1;
  }

  // One request; `status` receives the server's answer. A transfer failure comes back as the
  // outcome, an answer of any status as success.
  OutcomeT Perform(const std::string& url, const std::string& name, long* status) {
    error[0] = '\0';
    answered = 0;
    ended = EndE::None;
    deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.requestSeconds);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK) {
      curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, status);
      return {};
    }
    const std::string why = error[0] != '\0' ? std::string(error) : std::string(curl_easy_strerror(code));
    const std::string server = location.Server();
    if (ended == EndE::Stopped) return Stopped(name, server);
    if (ended == EndE::Deadline)
      return {MSG_REQUEST_TIMEOUT, "The upload of '" + name + "' to " + server + " did not finish within " +
                                       std::to_string(options.requestSeconds) + " seconds (UploadRequestTimeout)"};
    if (code == CURLE_OPERATION_TIMEDOUT)
      return {MSG_STALLED, "The upload of '" + name + "' to " + server + " made no progress for " +
                               std::to_string(options.stallSeconds) + " seconds (UploadTimeout): " + why};
    if (code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST)
      return {MSG_CONNECT, "Cannot connect to " + server + " to upload '" + name + "': " + why};
    if (IsSecurityFailure(code))
      return {MSG_SECURITY, "The server " + server + " could not be verified, '" + name + "' was not sent: " + why};
    return {MSG_TRANSFER, "The upload of '" + name + "' to " + server + " failed: " + why};
  }

  OutcomeT Head(const std::string& url, const std::string& name, long* status) {
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    return Perform(url, name, status);
  }

  OutcomeT Put(const std::string& url, const std::string& name, int fd, curl_off_t size, long* status) {
    if (::lseek(fd, 0, SEEK_SET) != 0) return {hx::RcFromErrno(errno), "Cannot read '" + name + "' again"};
    curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, putHeaders);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadSource);
    curl_easy_setopt(curl, CURLOPT_READDATA, &fd);
    curl_easy_setopt(curl, CURLOPT_SEEKFUNCTION, RewindSource);
    curl_easy_setopt(curl, CURLOPT_SEEKDATA, &fd);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, size);
    return Perform(url, name, status);
  }

  OutcomeT Refused(const char* what, const std::string& name, long status) const {
    return {MSG_SERVER_STATUS, "The server " + location.Server() + " answered " + std::to_string(status) + " to the " +
                                   what + " of '" + name + "'"};
  }
};

HttpSenderC::HttpSenderC(const HttpLocationT& location, const HttpOptionsT& options)
    : state_(new StateT(location, options)) {
  state_->curl = curl_easy_init();
  if (state_->curl != nullptr) state_->SetCommonOptions();
}

HttpSenderC::~HttpSenderC() {
  if (state_->curl != nullptr) curl_easy_cleanup(state_->curl);
  curl_slist_free_all(state_->putHeaders);
}

OutcomeT HttpSenderC::Send(const std::string& source, const std::string& name, std::string* taken) {
  if (state_->curl == nullptr) return {hx::RC_NO_RESOURCE, "No HTTP transfer could be prepared"};
  hx::UniqueFdC in;
  const hx::ResultT opened = hx::OpenForReading(source, &in);
  struct stat st {};
  if (hx::Failed(opened) || ::fstat(in.get(), &st) != 0)
    return {hx::Failed(opened) ? opened : hx::RcFromErrno(errno), "Cannot read the staged file '" + source + "'"};
  for (int n = 1; n <= c_MaxServerNames; ++n) {
    *taken = n == 1 ? name : NumberedName(name, n);
    long status = 0;
    if (!state_->noHead) {
      const OutcomeT outcome = state_->Head(state_->location.UrlOf(*taken), *taken, &status);
      if (!outcome.ok()) return outcome;
      if (status >= c_FirstSuccess && status < c_PastSuccess) continue;  // taken
      state_->noHead = status == c_MethodNotAllowed || status == c_NotImplemented;
      if (!state_->noHead && status != c_NotFound && status != c_Gone) return state_->Refused("check", *taken, status);
    }
    // Without HEAD nothing tells whether a name is taken, and such a server may well ignore
    // If-None-Match and replace what is there: the name is made unique instead.
    if (state_->noHead) *taken = NameWithPart(name, UniquePart());
    const OutcomeT outcome =
        state_->Put(state_->location.UrlOf(*taken), *taken, in.get(), static_cast<curl_off_t>(st.st_size), &status);
    if (!outcome.ok()) return outcome;
    if (status == c_PreconditionFailed) continue;  // taken since the check
    if (status < c_FirstSuccess || status >= c_PastSuccess) return state_->Refused("upload", *taken, status);
    return {};
  }
  return {MSG_NAMES_TAKEN, "The server " + state_->location.Server() + " took none of the " +
                              std::to_string(c_MaxServerNames) + " names tried for '" + name + "': each was taken"};
}

}  // namespace upl
