#include "prefs/store/Environment.h"

#include <algorithm>
#include <mutex>

#include "prefs/defaults/EnvDefaultBuilder.h"
#include "prefs/store/TrkTraceSetting.h"

namespace {

std::mutex s_CurrentLock;
std::unique_ptr<env_EnvironmentC> s_Own;
env_EnvironmentI* s_Installed = nullptr;

}  // namespace

const env_ParameterC* env_EnvironmentC::Find(const StringC& name) const {
  const auto it = params_.find(name);
  return it == params_.end() ? nullptr : it->second.get();
}

env_ParameterC& env_EnvironmentC::Obtain(const env_EnvOptsC& name) {
  auto& slot = params_[name.Name()];
  if (!slot) slot = std::make_unique<env_ParameterC>(name.Name(), name.Options());
  return *slot;
}

void env_EnvironmentC::Add(const env_EnvOptsC& name, const StringC& value) { Obtain(name).Add(value); }

void env_EnvironmentC::Set(const env_EnvOptsC& name, const StringC& value) { Obtain(name).Set(value); }

void env_EnvironmentC::Create(const env_EnvOptsC& name) { Obtain(name); }

bool env_EnvironmentC::Remove(const StringC& name) { return params_.erase(name) != 0; }

StringArrayC env_EnvironmentC::Names() const {
  StringArrayC names;
  names.reserve(params_.size());
  for (const auto& entry : params_) names.push_back(entry.second->Name());
  std::sort(names.begin(), names.end(), hx::NoCaseLess());
  return names;
}

env_EnvironmentI* env_EnvironmentC::Current() {
  std::lock_guard<std::mutex> guard(s_CurrentLock);
  if (s_Installed != nullptr) return s_Installed;
  if (!s_Own) {
    s_Own = std::make_unique<env_EnvironmentC>();
    env_EnvDefaultBuilderC().AugmentNormalProperties(*s_Own);
  }
  return s_Own.get();
}

void env_EnvironmentC::SetCurrent(env_EnvironmentI* env) {
  {
    std::lock_guard<std::mutex> guard(s_CurrentLock);
    s_Installed = env;
  }
  // A launcher environment may carry the tracker's trace flags.
  // A value that cannot be read is reported there and leaves the flags off.
  if (env != nullptr) HX_IGNORE_RESULT(TrkTraceEnvironmentC::Apply(*env));
}

void env_EnvironmentC::ResetCurrent() {
  std::lock_guard<std::mutex> guard(s_CurrentLock);
  if (s_Installed == s_Own.get()) s_Installed = nullptr;
  s_Own.reset();
}
