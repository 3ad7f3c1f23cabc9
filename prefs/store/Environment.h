#pragma once
// The environment: the store of every preference value of the process, a map from name to
// parameter in which names compare without regard to case. A parameter is created by the first
// write through a name object and keeps the form that object gave it (see EnvParameter.h).
//
// The process has one current environment, which preference objects use when they are given
// none. It is built on first use and filled then with the agent's shared defaults and the
// facts about the machine (env_EnvDefaultBuilderC), so it must not be used before the
// configuration registry is mounted.

#include <memory>
#include <unordered_map>

#include "foundation/core/Text.h"
#include "prefs/defaults/DefaultSink.h"
#include "prefs/store/EnvOpts.h"
#include "prefs/store/EnvParameter.h"

class env_EnvironmentI : public env_DefaultSinkI {
 public:
  ~env_EnvironmentI() override = default;
  // The parameter of `name` (any case); null when the name does not exist.
  virtual const env_ParameterC* Find(const StringC& name) const = 0;
  // Write through a name object, creating the parameter in that object's form when missing.
  virtual void Add(const env_EnvOptsC& name, const StringC& value) = 0;
  virtual void Set(const env_EnvOptsC& name, const StringC& value) = 0;
  // Creates the parameter without a value when missing (it exists afterwards).
  virtual void Create(const env_EnvOptsC& name) = 0;
  // Removes the parameter; false when it did not exist.
  virtual bool Remove(const StringC& name) = 0;
  // The names of every parameter as first written, sorted without regard to case.
  virtual StringArrayC Names() const = 0;
  // A single value written through a name object with default options, as the machine's
  // defaults are written.
  void SetSingle(const char* name, const StringC& value) override { Set(env_EnvOptsC(name), value); }
};

class env_EnvironmentC : public env_EnvironmentI {
 public:
  env_EnvironmentC() = default;
  env_EnvironmentC(const env_EnvironmentC&) = delete;
  env_EnvironmentC& operator=(const env_EnvironmentC&) = delete;

  const env_ParameterC* Find(const StringC& name) const override;
  void Add(const env_EnvOptsC& name, const StringC& value) override;
  void Set(const env_EnvOptsC& name, const StringC& value) override;
  void Create(const env_EnvOptsC& name) override;
  bool Remove(const StringC& name) override;
  StringArrayC Names() const override;
  size_t Count() const { return params_.size(); }
  void Clear() { params_.clear(); }

  // The current environment of the process (never null). Built and augmented on first use
  // unless one was installed with SetCurrent.
  static env_EnvironmentI* Current();
  // Makes `env` (not owned, must outlive its use) the current environment; null goes back to
  // the process's own, built on next use. A "trace" value in `env` sets the tracker's trace
  // flags (TrkTraceSetting.h).
  static void SetCurrent(env_EnvironmentI* env);
  // Forgets the process's own environment, so that the next Current() builds a fresh one from
  // the configuration as it is then. Start-up runs once; tests load again and again.
  static void ResetCurrent();

 private:
  env_ParameterC& Obtain(const env_EnvOptsC& name);

  std::unordered_map<StringC, std::unique_ptr<env_ParameterC>, hx::NoCaseHash, hx::NoCaseEqual> params_;
};
