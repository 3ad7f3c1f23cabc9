#pragma once
// TrkPreferencesC: the tracker's preference object. Every tracking step reads its settings
// from it through the static name objects c_<Member> (TrkPreferenceNames.h). Loading runs once
// at start-up, in a fixed order: built-in defaults, the configuration registry, the command
// line, the XML source (empty on this platform), derived values, then validation; each step
// returns a status (negative: a message id) and a failing step stops the later ones.

#include <cstdint>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "prefs/store/EnvPreferences.h"
#include "prefs/tracker/TrkPreferenceNames.h"

class TrkPreferencesC : public EnvPreferencesC {
 public:
#define HX_TRK_DECLARE(member, name, listed) static const env_EnvOptsC c_##member;
  HX_TRK_PREFERENCES(HX_TRK_DECLARE)
#undef HX_TRK_DECLARE

  // The options every tracker name carries.
  static constexpr uint32_t c_Options = env_EnvOptsC::values_multi | env_EnvOptsC::values_unique;
  // The names whose command-line value is split into a list; null-terminated.
  static const env_EnvOptsC* const c_EnvironmentList[];
  // The two values of InventoryType.
  static constexpr const char* c_MachineInventory = "Machine";
  static constexpr const char* c_UserInventory = "User";
  // The trace category of loading.
  static constexpr const char* c_TraceCategory = "Tracker/Preferences";

  explicit TrkPreferencesC(env_EnvironmentI* env = nullptr);
  ~TrkPreferencesC() override;

  // The entry of c_EnvironmentList named so (any case), else the name with no options.
  env_EnvOptsC GetOption(const StringC& name) override;

  HX_NODISCARD virtual hx::ResultT LoadPreferences(int argc, char** argv);
  HX_NODISCARD virtual hx::ResultT PreLoadDefaultPreferences();
  HX_NODISCARD virtual hx::ResultT PostLoadDefaultPreferences();
  HX_NODISCARD virtual hx::ResultT LoadRegistryPreferences();
  HX_NODISCARD virtual hx::ResultT LoadCommandPreferences(int argc, char** argv);
  HX_NODISCARD virtual hx::ResultT LoadXMLPreferences();
  HX_NODISCARD virtual hx::ResultT CheckPreferences();
  // Replaces every wildcard entry of the list `name` by the directories that match it.
  HX_NODISCARD virtual hx::ResultT ExpandWildCardDirectories(env_EnvOptsC name);

  static bool IsBoolean(const StringC& value);
  static bool IsMD5(const StringC& value);
  static bool IsFTPURL(const StringC& value);
  static bool IsFileURL(const StringC& value);

  // Writes every preference of the environment, expanded, to the trace: "Name=Value", list
  // values joined by ";" (the form -o takes them back).
  void TracePreferences();

  // What a failed load shows the user (the interaction's error window); nothing until the
  // interaction layer installs its handler.
  using ErrorWindowFn = void (*)();
  static void SetErrorWindow(ErrorWindowFn show);

 protected:
  // Switches expansion off (or on) for a scope and puts the previous setting back.
  class ResolveScopeC {
   public:
    ResolveScopeC(EnvPreferencesC& prefs, unsigned char resolve) : prefs_(prefs), saved_(prefs.GetResolve()) {
      prefs_.SetResolve(resolve);
    }
    ~ResolveScopeC() { prefs_.SetResolve(saved_); }
    ResolveScopeC(const ResolveScopeC&) = delete;
    ResolveScopeC& operator=(const ResolveScopeC&) = delete;

   private:
    EnvPreferencesC& prefs_;
    unsigned char saved_;
  };

  // Whether a preference has been set by some source (it exists).
  bool IsSet(const env_EnvOptsC& name) { return Exists(name); }
  void AddValues(const env_EnvOptsC& name, std::initializer_list<const char*> values);
  // InventoryType compared with "Machine" / "User" without regard to case.
  bool IsMachineType();
  bool IsUserType();

 private:
  HX_NODISCARD hx::ResultT CheckBoolean(const env_EnvOptsC& name);
  HX_NODISCARD hx::ResultT CheckMD5(const env_EnvOptsC& name, hx::ResultT errorId, const char* errorText, hx::ResultT logId,
                       const char* logText);
  HX_NODISCARD hx::ResultT CheckOneOf(const env_EnvOptsC& name, std::initializer_list<const char*> allowed, hx::ResultT errorId,
                         const char* errorText, hx::ResultT logId, const char* logText);
  void CheckProgressDepth();
  HX_NODISCARD hx::ResultT ApplyOption(const StringC& argument);
  HX_NODISCARD hx::ResultT InvalidOption(const char* argument);
  void GenerateUploadFile();
  void GenerateDateTime();
  void GenerateGeneration();

  static ErrorWindowFn s_ErrorWindow;
};
