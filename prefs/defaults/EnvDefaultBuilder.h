#pragma once
// env_EnvDefaultBuilderC fills a new environment, before the tracker's own defaults, with the
// agent's shared defaults and with facts about the machine: program and plug-in directories,
// process id, operating system and distributor, computer name and domain, user, data and
// installation directories, architecture and the client's directories. Every value is written
// through a name object with default options, so each creates single-valued storage.

#include "foundation/core/Nodiscard.h"
#include "prefs/defaults/DefaultSink.h"
#include "prefs/defaults/SharedDefaults.h"

class env_EnvDefaultBuilderC {
 public:
  using DefValue = env_DefValueC;

  env_EnvDefaultBuilderC() = default;

  void AugmentNormalProperties(env_DefaultSinkI& env);
  // Sets every named value of `table` to its text.
  static void AugmentSingleValuedProperites(env_DefaultSinkI& env, const DefValue* table);
  static void AugmentSingleValuedSecurityProperites(env_DefaultSinkI& env);

  // Computer name and domain, administrator flags and user name.
  static void SetUserInfo(env_DefaultSinkI& env);
  // CommonAppDataFolder, InstallDir and Architecture.
  static void SetSystemFolders(env_DefaultSinkI& env);
  // The client's directories below the machine and user bases, unexpanded.
  static void SetClientDefaults(env_DefaultSinkI& env);

  // The operating system's default for platform kind `type` ("unknown" for kinds not known).
  static const char* OSNameForType(int type);
  // The built-in names of a distributor id (any case); null when the id is not known.
  static const char* DistributorNames(const StringC& id);
  // Splits a host name "short.rest" into the computer name and the domain; false when the name
  // holds no "." after its first character.
  HX_NODISCARD static bool SplitHostName(const StringC& host, StringC& computer, StringC& domain);

 private:
  static void SetProgramPath();
  static void SetBrowser();
  static void SetOperatingSystem(env_DefaultSinkI& env);
};

// Writes a single value into the environment (the form the builder uses for everything).
void env_SetSingle(env_DefaultSinkI& env, const char* name, const StringC& value);
