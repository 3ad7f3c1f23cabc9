#pragma once
// EnvPreferencesC: the preference object's reading and writing, a thin facade over an
// environment (the current one unless another is given). Values may refer to other values as
// "$(Name)"; reads expand them while both the caller's resolve argument and the object's
// resolve flag are set.
//
// A preference is fixed when it exists and either its own name ends in "Fixed" or "Fxd" (a
// companion) or one of its companions <Name>Fixed and <Name>Fxd reads true: an administrator
// locks a value in the configuration registry, and later sources leave it alone unless they
// write with `force`. Writing the "trace" setting sets the tracker's trace flags at once
// (TrkTraceSetting.h).

#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "foundation/core/Text.h"
#include "prefs/store/EnvOpts.h"
#include "prefs/store/Environment.h"

class EnvPreferencesC {
 public:
  // A read starts at this depth: references nested nine deep still expand.
  static constexpr int c_ResolveDepth = 10;
  // Bounds of one expansion besides the depth: a value whose references fan out (every level
  // referring several times to the next) grows exponentially with the depth. An expansion that
  // would pass one of them, or that would repeat itself without end, stops at the reference
  // where that shows: the value reads as expanded up to that reference and as written from it
  // on, and the log says which value stopped and why (EnvExpandReport.h).
  static constexpr size_t c_MaxExpandedLength = size_t{64} << 20;
  static constexpr size_t c_MaxExpandedReferences = size_t{1} << 20;

  explicit EnvPreferencesC(env_EnvironmentI* env = nullptr);
  virtual ~EnvPreferencesC();
  EnvPreferencesC(const EnvPreferencesC&) = delete;
  EnvPreferencesC& operator=(const EnvPreferencesC&) = delete;

  // Adds to a list or sets a single value (by the name object's form); nothing happens when the
  // preference is fixed and `force` is not set.
  virtual void AddValue(const StringC& name, const StringC& value, unsigned char force = 0);
  virtual void AddValue(const env_EnvOptsC& name, const StringC& value, unsigned char force = 0);
  // Replaces the preference by `values` in order; a value that reads "$(<own name>)" (any case)
  // stands for the old values, expanded. Nothing happens for null values or a fixed preference
  // without `force`. The preference exists afterwards even when `values` is empty.
  virtual void AddValue(const StringC& name, const StringArrayC* values, unsigned char force = 0);
  virtual void AddValue(const env_EnvOptsC& name, const StringArrayC* values, unsigned char force = 0);

  // The single value ("" when the preference does not exist), expanded when `resolve` and the
  // resolve flag are both set.
  virtual StringC GetValue(const StringC& name, unsigned char resolve = 1);
  virtual StringC GetValue(const env_EnvOptsC& name, unsigned char resolve = 1);
  // All values in order, each expanded under the same rule.
  virtual StringArrayC GetMultiValue(const StringC& name, unsigned char resolve = 1);
  virtual StringArrayC GetMultiValue(const env_EnvOptsC& name, unsigned char resolve = 1);
  // `text` with its references expanded.
  virtual StringC Substitute(const StringC& text);

  // The name object for a name: here the name with the options given by SetOption, none by
  // default; the tracker's object knows its own list-valued names.
  virtual env_EnvOptsC GetOption(const StringC& name);
  virtual void SetOption(const StringC& name, unsigned long options);
  virtual size_t NumOptions();

  // True when the preference does not exist; a list name is not empty once it exists; any
  // other name is empty when its expanded value is.
  virtual bool IsEmpty(const StringC& name);
  virtual bool IsEmpty(const env_EnvOptsC& name);
  virtual bool Exists(const StringC& name);
  virtual bool Exists(const env_EnvOptsC& name);

  virtual unsigned char GetResolve() { return resolve_; }
  virtual void SetResolve(unsigned char resolve) { resolve_ = resolve; }
  virtual unsigned char GetEmptyIfNotExist() { return emptyIfNotExist_; }
  virtual void SetEmptyIfNotExist(unsigned char empty) { emptyIfNotExist_ = empty; }

  // The expanded single value: "True"/"Yes" true, "False"/"No" false (any case), else `dflt`.
  virtual bool GetBoolean(const StringC& name, unsigned char dflt = 0);
  virtual bool GetBoolean(const env_EnvOptsC& name, unsigned char dflt = 0);

  virtual void Remove(const StringC& name);
  virtual void Remove(const env_EnvOptsC& name);
  // Makes this object's environment the current one of the process, so that preference objects
  // made later without an environment share it.
  virtual void SetCurrent();

  // The expansion. With `isName` set, `text` is a preference name and its current single value
  // is expanded (a missing name gives "" or, without the empty-if-not-exist flag, "$(text)");
  // otherwise `text` itself is expanded. At depth 0 the result is empty; each reference is
  // expanded one level deeper. A reference to `text` itself is left as it stands. The search
  // for the next reference resumes one character after the start of the one just replaced, so
  // the replacement is searched again (see EnvResolve.cpp).
  StringC ResolveValue(const StringC& text, unsigned char isName, int depth);

  bool IsFixed(const env_EnvOptsC& name);
  // Splits a list text at any character of `separators`, trims spaces and tabs from each piece
  // and drops empty pieces.
  static StringArrayC SplitList(const StringC& text, const StringC& separators);
  env_EnvironmentI& Environment() { return *env_; }

 private:
  struct ExpansionC;
  // `text` expanded with `self` as the name that stands for itself; reports a limit it hit.
  StringC Expand(const StringC& self, const StringC& text, int depth);
  // The expansion of one referenced name (a view of its value or of `storage`).
  std::string_view ExpandName(const StringC& name, int depth, ExpansionC& x, StringC& storage);
  StringC ExpandLevel(std::string_view self, std::string_view text, int depth, ExpansionC& x);
  bool Resolving(unsigned char resolve) const { return resolve != 0 && resolve_ != 0; }
  // After a value was written: a setting with a handler ("trace") takes effect at once.
  void Written(const env_EnvOptsC& name);

  env_EnvironmentI* env_;
  unsigned char resolve_ = 1;
  unsigned char emptyIfNotExist_ = 1;
  std::map<StringC, unsigned long, hx::NoCaseLess> options_;
};
