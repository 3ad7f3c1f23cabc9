#pragma once
// HXContextC: the process side of the launcher, one per process. It holds the environment the
// preferences live in and the user interface that other components (the progress object, the
// uploader) talk to. The entry installs both at start-up and takes them back at its end.

#include "prefs/store/Environment.h"

class InteractionManagerI;

class HXContextC {
 public:
  // The process's context (never null).
  static HXContextC* Current();

  // Completes `env` with the agent's defaults and the machine's facts and makes it the
  // process's current environment. The caller keeps it alive until ClearEnv.
  void SetEnv(env_EnvironmentC& env);
  // Forgets the environment installed by SetEnv; the process falls back to its own.
  void ClearEnv();
  env_EnvironmentI* GetEnv() const { return env_; }

  // The user interface chosen for the run (not owned); null when there is none.
  void SetUI(InteractionManagerI* ui) { ui_ = ui; }
  InteractionManagerI* GetUI() const { return ui_; }

 private:
  env_EnvironmentI* env_ = nullptr;
  InteractionManagerI* ui_ = nullptr;
};
