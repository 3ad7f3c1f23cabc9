// The uploader library: called once at the end of a run with the launcher context. It reads
// the upload preferences the run set and delivers every file waiting in the spool (oldest
// first), then every staged file, to the location named by the upload rule, under the file's
// own name (the run named it after the rule's file name, or after a generated identifier):
//
//   - a local directory or a file:// location: copied under a temporary name and linked under
//     its own, so that a reader there never sees part of one. The directory passes the trust
//     checks of every directory the run writes into and is created and written through a
//     descriptor of it, never through a path that somebody could have changed meanwhile;
//     one below a top-level directory that does not exist (the "/Inventories" of an empty
//     ServerLocation) means no server is configured: nothing is made, the files wait;
//   - an http:// or https:// location: sent with PUT into the rule's directory on the server,
//     each request bounded by UploadTimeout (no progress) and UploadRequestTimeout (in all).
//
// Neither ever replaces a delivery that is there. The first failure ends the sending: what was
// not delivered waits in the spool for the next run (UploadSpoolMax files at most, the oldest
// dropped first). A file delivered from the spool is removed; a staged one with SourceRemove.
// A run being stopped (the context's ZORHXStopI) ends the sending at once, between files and
// within one, and its files wait in the spool like those of a failure.
//
// Answers 0 when everything was delivered (also when there was nothing); otherwise the
// failure's result code, after handing a message for the user to the context (or, without a
// way to report, to standard error).

#include <curl/curl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <strings.h>
#include <string>
#include <vector>

#include "app/api/UploaderPreferences.h"
#include "foundation/com/ZORHXContext.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/SecureURL.h"
#include "plugins/uploader/UplDelivery.h"
#include "plugins/uploader/UplHttp.h"
#include "plugins/uploader/UplMessages.h"
#include "plugins/uploader/UplSpool.h"

namespace {

constexpr long c_DefaultStallSeconds = 60;
constexpr long c_DefaultRequestSeconds = 1800;
constexpr long c_DefaultSpoolMax = 20;
constexpr const char* c_Full = "Full";
// Longer numbers than this are not a setting anybody meant (and would not fit a long everywhere).
constexpr size_t c_MaxDigits = 9;

std::string Value(ZORHXPreferencesI* prefs, const char* name) {
  char* value = nullptr;
  if (prefs->GetValue(name, &value) < 0 || value == nullptr) return std::string();
  std::string text(value);
  // A value may carry a password (the upload rule's URL): no copy of it outlives its use.
  explicit_bzero(value, text.size());
  std::free(value);
  return text;
}

bool IsTrue(const std::string& text) {
  return strcasecmp(text.c_str(), "True") == 0 || strcasecmp(text.c_str(), "Yes") == 0;
}

bool IsFalse(const std::string& text) {
  return strcasecmp(text.c_str(), "False") == 0 || strcasecmp(text.c_str(), "No") == 0;
}

// A whole non-negative number, or the default for anything else.
long Number(const std::string& text, long fallback) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > c_MaxDigits) return fallback;
  return std::strtol(text.c_str(), nullptr, 10);
}

struct SettingsT : upl::UploadSettingsT {
  long spoolMax = c_DefaultSpoolMax;
  bool fullInventory = false;
  upl::HttpOptionsT http;
  ~SettingsT() {
    if (!ruleValue.empty()) explicit_bzero(&ruleValue[0], ruleValue.size());
  }
};

void ReadSettings(ZORHXPreferencesI* prefs, SettingsT* s) {
  s->uploadType = Value(prefs, upl::c_UploadType);
  s->uploadDirectory = Value(prefs, upl::c_UploadDirectory);
  s->machineUploadDirectory = Value(prefs, upl::c_MachineUploadDirectory);
  s->userUploadDirectory = Value(prefs, upl::c_UserUploadDirectory);
  s->ruleValue = Value(prefs, upl::c_UploadRuleValue);
  s->sourceRemove = IsTrue(Value(prefs, upl::c_SourceRemove));
  const long stall = Number(Value(prefs, upl::c_UploadTimeout), c_DefaultStallSeconds);
  s->http.stallSeconds = stall > 0 ? stall : c_DefaultStallSeconds;
  const long request = Number(Value(prefs, upl::c_UploadRequestTimeout), c_DefaultRequestSeconds);
  s->http.requestSeconds = request > 0 ? request : c_DefaultRequestSeconds;
  s->spoolMax = Number(Value(prefs, upl::c_UploadSpoolMax), c_DefaultSpoolMax);
  s->fullInventory = strcasecmp(Value(prefs, upl::c_Generation).c_str(), c_Full) == 0;
  s->http.checkCertificate = !IsFalse(Value(prefs, upl::c_CheckServerCertificate));
  s->http.caFile = Value(prefs, upl::c_TrustedCAFile);
  s->http.caPath = Value(prefs, upl::c_TrustedCAPath);
}

int32_t Report(ZORHXContextI* context, const upl::OutcomeT& outcome) {
  const std::string message = log_SecureURLString(outcome.message);
  if (context != nullptr) {
    HX_IGNORE_RESULT(context->ReportError(outcome.code, message.c_str()));  // answers the id it was given
  } else {
    std::fprintf(stderr, "uploader: %s\n", message.c_str());
  }
  return outcome.code;
}

// One of the context's optional interfaces, held while the upload runs; null when the context
// does not offer it.
template <typename InterfaceT>
class OptionalC {
 public:
  OptionalC(ZORHXContextI* context, const ZORGUID& iid) {
    if (context->QueryInterface(iid, reinterpret_cast<void**>(&held_)) < 0) held_ = nullptr;
  }
  ~OptionalC() {
    if (held_ != nullptr) held_->Release();
  }
  OptionalC(const OptionalC&) = delete;
  OptionalC& operator=(const OptionalC&) = delete;
  InterfaceT* get() const { return held_; }

 private:
  InterfaceT* held_ = nullptr;
};

// Lines for the run's log; a context without a log gets none.
class LogC {
 public:
  explicit LogC(ZORHXContextI* context) : log_(context, IID_ZORHXLog) {}
  void Line(int32_t id, int32_t severity, const std::string& text) {
    if (log_.get() != nullptr) log_.get()->LogLine(id, severity, log_SecureURLString(text).c_str());
  }

 private:
  OptionalC<ZORHXLogI> log_;
};

// Where files go: one delivery answers the outcome and the name the file got there.
using SendT = std::function<upl::OutcomeT(const std::string& source, const std::string& name, std::string* taken)>;

struct ItemT {
  std::string dir;
  std::string name;
  bool spooled;  // waiting in the spool since an earlier run
};

class UploadC {
 public:
  UploadC(const SettingsT& settings, LogC& log, const upl::StoppingT& stopping)
      : settings_(settings), log_(log), stopping_(stopping) {}

  // Answers 0 or the reported failure's code. A run being stopped is no failure of the
  // upload's: the run reports its cancellation, the log says what became of the delivery.
  HX_NODISCARD int32_t Run(ZORHXContextI* context) {
    const upl::OutcomeT outcome = Deliver();
    if (outcome.ok()) return 0;
    // The failure first, then what became of the files it left behind.
    const bool noServer = outcome.code == upl::MSG_NO_SERVER;
    if (outcome.code == upl::MSG_STOPPED) {
      log_.Line(outcome.code, ZORHXLogI::c_Warning, "WARNING: " + outcome.message);
    } else if (noServer) {
      // Nothing failed that the user must mend: one line says where the files wait instead.
      log_.Line(outcome.code, ZORHXLogI::c_Warning,
                "WARNING: " + outcome.message + "; what was staged waits in '" +
                    (settings_.sourceRemove ? spool_ : staging_) + "' for the next run");
    } else {
      Report(context, outcome);
    }
    KeepUnsent(!noServer);
    return outcome.code;
  }

 private:
  const SettingsT& settings_;
  LogC& log_;
  const upl::StoppingT& stopping_;
  std::string staging_;
  std::string spool_;
  std::vector<ItemT> items_;
  size_t sent_ = 0;  // items delivered, in order

  upl::OutcomeT Deliver() {
    staging_ = upl::StagingDirectory(settings_);
    if (staging_.empty()) return {};
    spool_ = staging_ + "/" + upl::c_SpoolDirectory;
    std::vector<std::string> waiting;
    std::vector<std::string> staged;
    // What waits in a spool that somebody else could have changed is not sent anywhere.
    const upl::OutcomeT trusted = upl::CheckSpool(spool_, false);
    if (!trusted.ok()) log_.Line(upl::MSG_SPOOL, ZORHXLogI::c_Warning, "WARNING: " + trusted.message);
    upl::OutcomeT outcome = trusted.ok() ? upl::SpoolFiles(spool_, &waiting) : upl::OutcomeT{};
    if (outcome.ok()) outcome = upl::StagedFiles(staging_, &staged);
    if (!outcome.ok()) return outcome;
    for (const std::string& name : waiting) items_.push_back({spool_, name, true});
    for (const std::string& name : staged) items_.push_back({staging_, name, false});
    if (items_.empty()) return {};
    outcome = Send(items_, &sent_);
    // The full inventory that a mark asked for has arrived.
    if (outcome.ok() && settings_.fullInventory && !staged.empty())
      HX_IGNORE_RESULT(upl::SetFullInventoryMark(spool_, false));  // clearing: a mark left asks once more
    return outcome;
  }

  upl::OutcomeT Send(const std::vector<ItemT>& items, size_t* sent) {
    if (upl::IsHttpLocation(settings_.ruleValue)) {
      upl::HttpLocationT location;
      upl::OutcomeT outcome = upl::ParseHttpLocation(settings_.ruleValue, &location);
      if (!outcome.ok()) return outcome;
      if (!settings_.http.checkCertificate && location.scheme != "http")
        log_.Line(upl::LOG_UNVERIFIED, ZORHXLogI::c_Warning,
                  "WARNING: the certificate of " + location.Server() + " is not checked (CheckServerCertificate)");
      upl::HttpOptionsT options = settings_.http;
      options.stopping = stopping_;
      upl::HttpSenderC sender(location, options);
      return SendAll(items, location.Server(), sent,
                     [&](const std::string& source, const std::string& name, std::string* taken) {
                       return sender.Send(source, name, taken);
                     });
    }
    std::string target;
    hx::UniqueFdC dir;
    upl::OutcomeT outcome = upl::LocationDirectory(settings_.ruleValue, &target);
    if (outcome.ok() && upl::UnderMissingTopDirectory(target))
      return {upl::MSG_NO_SERVER,
              "No server is configured (ServerLocation): the upload location '" + target + "' is not created"};
    if (outcome.ok()) outcome = upl::OpenDeliveryDirectory(target, &dir);
    if (!outcome.ok()) return outcome;
    return SendAll(items, target, sent, [&](const std::string& source, const std::string& name, std::string* taken) {
      return upl::Deliver(source, dir.get(), target, name, stopping_, taken);
    });
  }

  upl::OutcomeT SendAll(const std::vector<ItemT>& items, const std::string& where, size_t* sent, const SendT& send) {
    for (const ItemT& item : items) {
      if (stopping_()) return upl::Stopped(item.name, where);
      const std::string source = item.dir + "/" + item.name;
      std::string taken;
      const upl::OutcomeT outcome = send(source, item.name, &taken);
      if (!outcome.ok()) return outcome;
      ++*sent;
      log_.Line(upl::LOG_DELIVERED, ZORHXLogI::c_Info, "Uploaded '" + item.name + "' to " + where +
                                                           (taken != item.name ? " as '" + taken + "'" : ""));
      if (item.spooled || settings_.sourceRemove) ::unlink(source.c_str());
    }
    return {};
  }

  // After a failure: the staged files not sent wait in the spool, which keeps its bound;
  // sayEach: a line for each file that moves there.
  void KeepUnsent(bool sayEach) {
    if (!settings_.sourceRemove) return;
    const upl::OutcomeT prepared = upl::CheckSpool(spool_, true);
    if (!prepared.ok()) {
      log_.Line(upl::MSG_SPOOL, ZORHXLogI::c_Warning, "WARNING: " + prepared.message);
      return;
    }
    std::vector<std::string> own;
    for (size_t i = sent_; i < items_.size(); ++i) {
      const ItemT& item = items_[i];
      if (item.spooled) continue;
      std::string spooled;
      const upl::OutcomeT moved = upl::MoveToSpool(item.dir + "/" + item.name, spool_, item.name, &spooled);
      if (!moved.ok()) {
        log_.Line(upl::MSG_SPOOL, ZORHXLogI::c_Warning, "WARNING: " + moved.message);
        continue;
      }
      own.push_back(spooled);
      if (sayEach)
        log_.Line(upl::LOG_SPOOLED, ZORHXLogI::c_Warning,
                  "WARNING: '" + item.name + "' was not uploaded and waits in '" + spool_ + "' for the next run");
    }
    Trim(own);
  }

  void Trim(const std::vector<std::string>& own) {
    const std::vector<std::string> dropped = upl::TrimSpool(spool_, static_cast<size_t>(settings_.spoolMax));
    bool ownDropped = false;
    for (const std::string& name : dropped) {
      log_.Line(upl::LOG_DROPPED, ZORHXLogI::c_Warning,
                "WARNING: the spool '" + spool_ + "' keeps at most " + std::to_string(settings_.spoolMax) +
                    " files (UploadSpoolMax): '" + name + "' was dropped");
      for (const std::string& mine : own) ownDropped = ownDropped || mine == name;
    }
    // A full inventory of this run that still waits restarts the chain of generations: what was
    // dropped before it is not needed by the server any more.
    if (settings_.fullInventory && !own.empty() && !ownDropped) {
      HX_IGNORE_RESULT(upl::SetFullInventoryMark(spool_, false));  // clearing: a mark left asks once more
    } else if (!dropped.empty()) {
      const upl::OutcomeT marked = upl::SetFullInventoryMark(spool_, true);
      log_.Line(upl::LOG_DROPPED, ZORHXLogI::c_Warning,
                marked.ok() ? "WARNING: the server misses a generation that was dropped; the next run sends a full inventory"
                            : "WARNING: the server misses a generation that was dropped; " + marked.message +
                                  "; the server cannot apply deltas until a full inventory arrives");
    }
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t UplUploadWithContext(ZORHXContextI* context) {
  if (context == nullptr) return Report(nullptr, {hx::RC_INVALID_ARG, "No launcher context was given"});
  ZORHXPreferencesI* prefs = nullptr;
  if (context->QueryInterface(IID_ZORHXPreferences, reinterpret_cast<void**>(&prefs)) < 0 || prefs == nullptr)
    return Report(context, {hx::RC_NO_INTERFACE, "The launcher context offers no preferences"});
  SettingsT settings;
  ReadSettings(prefs, &settings);
  prefs->Release();
  if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
    return Report(context, {hx::RC_NO_RESOURCE, "The HTTP transfer library could not be started"});
  LogC log(context);
  // Whether the run is being stopped, as the context tells; a context that cannot tell never is.
  const OptionalC<ZORHXStopI> stop(context, IID_ZORHXStop);
  const upl::StoppingT stopping = [&stop] { return stop.get() != nullptr && stop.get()->IsStopping(); };
  const int32_t result = UploadC(settings, log, stopping).Run(context);
  curl_global_cleanup();
  return result;
}
