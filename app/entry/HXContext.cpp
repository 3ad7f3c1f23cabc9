#include "app/entry/HXContext.h"

#include "prefs/defaults/EnvDefaultBuilder.h"

HXContextC* HXContextC::Current() {
  static HXContextC s_Context;
  return &s_Context;
}

void HXContextC::SetEnv(env_EnvironmentC& env) {
  env_EnvDefaultBuilderC().AugmentNormalProperties(env);
  env_EnvironmentC::SetCurrent(&env);
  env_ = &env;
}

void HXContextC::ClearEnv() {
  if (env_ != nullptr && env_EnvironmentC::Current() == env_) env_EnvironmentC::SetCurrent(nullptr);
  env_ = nullptr;
}
