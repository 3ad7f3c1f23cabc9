// The uploader library: called once at the end of a run with the launcher context. It reads
// the upload preferences the run set, and copies every staged file in the staging directory
// to the directory of the location named by the upload rule, under the staged file's own name
// (the run already named it after the rule's file name, or after a generated identifier). A
// file is delivered under a temporary name and renamed, so a reader of the location never sees
// part of one. With SourceRemove, a staged file is removed once it is delivered.
//
// Answers 0 when every staged file was delivered (also when there was none); otherwise the
// failure's result code, after handing a message for the user to the context (or, without a
// way to report, to standard error).

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <strings.h>
#include <string>
#include <vector>

#include "app/api/UploaderPreferences.h"
#include "app/api/ZORHXContext.h"
#include "plugins/uploader/UplDelivery.h"

namespace {


std::string Value(ZORHXPreferencesI* prefs, const char* name) {
  char* value = nullptr;
  if (prefs->GetValue(name, &value) < 0 || value == nullptr) return std::string();
  std::string text(value);
  std::free(value);
  return text;
}

bool IsTrue(const std::string& text) {
  return strcasecmp(text.c_str(), "True") == 0 || strcasecmp(text.c_str(), "Yes") == 0;
}

upl::UploadSettingsT ReadSettings(ZORHXPreferencesI* prefs) {
  upl::UploadSettingsT s;
  s.uploadType = Value(prefs, upl::c_UploadType);
  s.uploadDirectory = Value(prefs, upl::c_UploadDirectory);
  s.machineUploadDirectory = Value(prefs, upl::c_MachineUploadDirectory);
  s.userUploadDirectory = Value(prefs, upl::c_UserUploadDirectory);
  s.ruleValue = Value(prefs, upl::c_UploadRuleValue);
  s.sourceRemove = IsTrue(Value(prefs, upl::c_SourceRemove));
  return s;
}

upl::OutcomeT Upload(const upl::UploadSettingsT& settings) {
  std::string target;
  upl::OutcomeT outcome = upl::LocationDirectory(settings.ruleValue, &target);
  if (!outcome.ok()) return outcome;
  const std::string staging = upl::StagingDirectory(settings);
  std::vector<std::string> names;
  if (!staging.empty()) outcome = upl::StagedFiles(staging, &names);
  if (!outcome.ok() || names.empty()) return outcome;
  outcome = upl::MakeDirectories(target);
  for (const std::string& name : names) {
    if (!outcome.ok()) break;
    const std::string source = staging + "/" + name;
    outcome = upl::Deliver(source, target, name);
    if (outcome.ok() && settings.sourceRemove) ::unlink(source.c_str());
  }
  return outcome;
}

int32_t Report(ZORHXContextI* context, const upl::OutcomeT& outcome) {
  if (context != nullptr) {
    context->ReportError(outcome.code, outcome.message.c_str());
  } else {
    std::fprintf(stderr, "uploader: %s\n", outcome.message.c_str());
  }
  return outcome.code;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t UplUploadWithContext(ZORHXContextI* context) {
  if (context == nullptr) return Report(nullptr, {hx::RC_INVALID_ARG, "No launcher context was given"});
  ZORHXPreferencesI* prefs = nullptr;
  if (context->QueryInterface(IID_ZORHXPreferences, reinterpret_cast<void**>(&prefs)) < 0 || prefs == nullptr)
    return Report(context, {hx::RC_NO_INTERFACE, "The launcher context offers no preferences"});
  const upl::UploadSettingsT settings = ReadSettings(prefs);
  prefs->Release();
  const upl::OutcomeT outcome = Upload(settings);
  return outcome.ok() ? 0 : Report(context, outcome);
}
