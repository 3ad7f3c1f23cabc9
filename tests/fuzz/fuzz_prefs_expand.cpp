// Preference values and command lines of any text: every value expands without crashing or
// hanging (self-references, unclosed references, fan-out), a value without references reads
// back as stored, and any argument vector is parsed or refused.
//
// Input: the first byte chooses the mode. Values: "Name=Value" lines. Command line: arguments
// separated by newlines.

#include "FuzzSupport.h"
#include "foundation/core/Text.h"
#include "foundation/messages/Errors.h"
#include "prefs/tracker/TrkPreferences.h"

namespace {

constexpr size_t c_MaxInput = 4096;

void FuzzValues(const std::string& text) {
  env_EnvironmentC env;
  EnvPreferencesC prefs(&env);
  std::vector<std::pair<std::string, std::string>> stored;
  for (const std::string& line : hx::SplitLines(text)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    stored.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    prefs.AddValue(StringC(stored.back().first), StringC(stored.back().second));
  }
  for (const auto& [name, value] : stored) {
    const StringC expanded = prefs.GetValue(StringC(name));
    hxfuzz::Check(expanded.size() <= EnvPreferencesC::c_MaxExpandedLength);
    const StringC raw = prefs.GetValue(StringC(name), 0);
    hxfuzz::Check(raw.find("$(") != StringC::npos || expanded == raw);
    prefs.Substitute(value);
  }
  prefs.SetEmptyIfNotExist(0);
  for (const auto& entry : stored) prefs.GetValue(StringC(entry.first));
}

void FuzzCommandLine(const std::string& text) {
  std::vector<std::string> args{"hxtrack"};
  for (const std::string& a : hx::Split(text, '\n')) args.push_back(a);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  env_EnvironmentC env;
  TrkPreferencesC prefs(&env);
  const hx::ResultT r = prefs.LoadCommandPreferences(static_cast<int>(args.size()), argv.data());
  hxfuzz::Check(hx::Succeeded(r) || r == hx::ToResult(0xE0BD0109u));
  for (const StringC& name : env.Names()) prefs.GetMultiValue(StringC(name));
  getErrBuf()->reset();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > c_MaxInput) return 0;
  const std::string text = hxfuzz::Text(data + 1, size - 1);
  if (data[0] & 1) {
    FuzzCommandLine(text);
  } else {
    FuzzValues(text);
  }
  return 0;
}
