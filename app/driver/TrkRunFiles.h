#pragma once
// The names of the run's own files, and the care they need on a machine where other users log
// in: temporary files that a later run can recognise and clear, machine names that cannot
// lead a file name out of its directory, and the inventory file's place.

#include <cstddef>
#include <string>
#include <string_view>

#include "foundation/core/FileName.h"
#include "foundation/core/Text.h"
#include "prefs/store/Environment.h"
#include "prefs/tracker/TrkPreferences.h"

namespace trk {

// A new temporary file of this run, "tvk<pid>_<6 letters or digits><suffix>" in dir, made
// exclusively and readable by the owner alone; an empty name when none could be made (errno
// says why). The process id in the name lets a later run recognise what a killed run left.
FileNameC CreateRunTempFile(const FileNameC& dir, std::string_view suffix);

// Removes, directly in dir, the temporary files of runs whose process is gone: names made by
// CreateRunTempFile (and the hidden copies made while writing one: ".tvk<pid>_..."), regular
// files owned by this user whose process id no longer names a process. Answers how many went.
size_t RemoveStaleRunFiles(const FileNameC& dir);

// The fixed mapping that makes a machine name safe as part of one file name: every byte
// other than A-Z, a-z, 0-9, ".", "_" and "-" becomes "_", a leading "." becomes "_" (so no
// "." or ".." and no hidden name), and an empty name becomes "_". "web01.example.com" stays as
// it is; "../../etc" becomes "_._.._etc".
std::string SafeFileNamePart(std::string_view name);

// An environment that reads like `base` except that the machine names (MachineId,
// MachineName, ComputerName, FullQualifiedDomainName) read as their safe forms. Values read
// through it are for file names only: the inventory's attributes and the hardware keep the
// names as they are.
class FileNameEnvironmentC : public env_EnvironmentI {
 public:
  explicit FileNameEnvironmentC(TrkPreferencesC& prefs);

  const env_ParameterC* Find(const StringC& name) const override;
  void Add(const env_EnvOptsC& name, const StringC& value) override { base_->Add(name, value); }
  void Set(const env_EnvOptsC& name, const StringC& value) override { base_->Set(name, value); }
  void Create(const env_EnvOptsC& name) override { base_->Create(name); }
  bool Remove(const StringC& name) override { return base_->Remove(name); }
  StringArrayC Names() const override { return base_->Names(); }

 private:
  env_EnvironmentI* base_;
  std::vector<env_ParameterC> safe_;
};

// The value of a preference that becomes (part of) a file name, read with the machine names
// made safe.
StringC FileNameValue(TrkPreferencesC& prefs, const env_EnvOptsC& name);

// The inventory file: `name` (with "<job>_" in front of its last component when a job tag is
// set) inside `dir`, or `name` itself when it is an absolute path.
FileNameC InventoryPath(const StringC& dir, const StringC& name, const StringC& job);

}  // namespace trk
