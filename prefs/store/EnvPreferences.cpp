#include "prefs/store/EnvPreferences.h"

#include "prefs/defaults/EnvConverters.h"
#include "prefs/store/TrkTraceSetting.h"

namespace {

constexpr const char* c_FixedSuffix = "Fixed";
constexpr const char* c_FxdSuffix = "Fxd";

bool EndsWithNoCase(const StringC& s, const char* suffix) {
  const StringC tail(suffix);
  return s.size() >= tail.size() && hx::EqualsNoCase(std::string_view(s).substr(s.size() - tail.size()), tail);
}

StringC SelfReference(const StringC& name) { return "$(" + name + ")"; }

}  // namespace

EnvPreferencesC::EnvPreferencesC(env_EnvironmentI* env)
    : env_(env != nullptr ? env : env_EnvironmentC::Current()) {}

EnvPreferencesC::~EnvPreferencesC() = default;

bool EnvPreferencesC::IsFixed(const env_EnvOptsC& name) {
  if (!Exists(name)) return false;
  const StringC& n = name.Name();
  if (EndsWithNoCase(n, c_FixedSuffix) || EndsWithNoCase(n, c_FxdSuffix)) return true;
  for (const char* suffix : {c_FixedSuffix, c_FxdSuffix}) {
    const StringC companion = n + suffix;
    if (Exists(companion) && GetBoolean(companion, 0)) return true;
  }
  return false;
}

void EnvPreferencesC::AddValue(const StringC& name, const StringC& value, unsigned char force) {
  AddValue(GetOption(name), value, force);
}

void EnvPreferencesC::AddValue(const env_EnvOptsC& name, const StringC& value, unsigned char force) {
  if (force == 0 && IsFixed(name)) return;
  if (name.IsMulti()) {
    env_->Add(name, value);
  } else {
    env_->Set(name, value);
  }
  Written(name);
}

void EnvPreferencesC::Written(const env_EnvOptsC& name) {
  // A value that cannot be read is reported there and leaves the flags off.
  if (TrkTraceOptionC::IsTraceName(name.Name())) HX_IGNORE_RESULT(TrkTraceOptionC::Apply(*this));
}

void EnvPreferencesC::AddValue(const StringC& name, const StringArrayC* values, unsigned char force) {
  AddValue(GetOption(name), values, force);
}

void EnvPreferencesC::AddValue(const env_EnvOptsC& name, const StringArrayC* values, unsigned char force) {
  if (values == nullptr) return;
  if (force == 0 && IsFixed(name)) return;
  const StringArrayC old = GetMultiValue(name, 1);
  env_->Remove(name.Name());
  env_->Create(name);
  const StringC self = SelfReference(name.Name());
  for (const StringC& value : *values) {
    if (hx::EqualsNoCase(value, self)) {
      for (const StringC& o : old) env_->Add(name, o);
    } else {
      env_->Add(name, value);
    }
  }
  Written(name);
}

StringC EnvPreferencesC::GetValue(const StringC& name, unsigned char resolve) {
  return GetValue(GetOption(name), resolve);
}

StringC EnvPreferencesC::GetValue(const env_EnvOptsC& name, unsigned char resolve) {
  if (Resolving(resolve)) return ResolveValue(name.Name(), 1, c_ResolveDepth);
  const env_ParameterC* p = env_->Find(name.Name());
  return p != nullptr ? p->Value() : StringC();
}

StringArrayC EnvPreferencesC::GetMultiValue(const StringC& name, unsigned char resolve) {
  return GetMultiValue(GetOption(name), resolve);
}

StringArrayC EnvPreferencesC::GetMultiValue(const env_EnvOptsC& name, unsigned char resolve) {
  const env_ParameterC* p = env_->Find(name.Name());
  if (p == nullptr) return {};
  StringArrayC values = p->Values();
  if (Resolving(resolve)) {
    for (StringC& v : values) v = Expand(p->Name(), v, c_ResolveDepth);
  }
  return values;
}

StringC EnvPreferencesC::Substitute(const StringC& text) { return ResolveValue(text, 0, c_ResolveDepth); }

env_EnvOptsC EnvPreferencesC::GetOption(const StringC& name) {
  const auto it = options_.find(name);
  return env_EnvOptsC(name, it == options_.end() ? env_EnvOptsC::options_none : static_cast<uint32_t>(it->second));
}

void EnvPreferencesC::SetOption(const StringC& name, unsigned long options) { options_[name] = options; }

size_t EnvPreferencesC::NumOptions() { return options_.size(); }

bool EnvPreferencesC::IsEmpty(const StringC& name) { return IsEmpty(GetOption(name)); }

bool EnvPreferencesC::IsEmpty(const env_EnvOptsC& name) {
  if (!Exists(name)) return true;
  if (name.IsMulti()) return false;
  return GetValue(name, 1).empty();
}

bool EnvPreferencesC::Exists(const StringC& name) { return env_->Find(name) != nullptr; }

bool EnvPreferencesC::Exists(const env_EnvOptsC& name) { return Exists(name.Name()); }

bool EnvPreferencesC::GetBoolean(const StringC& name, unsigned char dflt) {
  return GetBoolean(GetOption(name), dflt);
}

bool EnvPreferencesC::GetBoolean(const env_EnvOptsC& name, unsigned char dflt) {
  return env_FunStrToBoolC()(GetValue(name, 1), dflt != 0);
}

void EnvPreferencesC::Remove(const StringC& name) { env_->Remove(name); }

void EnvPreferencesC::Remove(const env_EnvOptsC& name) { Remove(name.Name()); }

StringArrayC EnvPreferencesC::SplitList(const StringC& text, const StringC& separators) {
  StringArrayC pieces;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(separators, start);
    if (end == StringC::npos) end = text.size();
    const size_t first = text.find_first_not_of(" \t", start);
    if (first != StringC::npos && first < end) {
      const size_t last = text.find_last_not_of(" \t", end - 1);
      pieces.push_back(text.substr(first, last + 1 - first));
    }
    start = end + 1;
  }
  return pieces;
}

void EnvPreferencesC::SetCurrent() { env_EnvironmentC::SetCurrent(env_); }
