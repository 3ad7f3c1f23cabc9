#pragma once
// Where the machine's defaults are written: each value as one single value under its name. The
// process environment (prefs/store/Environment.h) is one; the defaults know nothing else of it,
// so that the store can fill itself from them.

#include "foundation/core/Text.h"

class env_DefaultSinkI {
 public:
  virtual ~env_DefaultSinkI() = default;
  virtual void SetSingle(const char* name, const StringC& value) = 0;
};
