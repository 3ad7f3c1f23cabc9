#pragma once
// The file work of the uploader: where staged files are, where they go, and delivering one
// file so that a reader at the location never sees it half written.

#include <cstdint>
#include <string>
#include <vector>

namespace upl {

// The upload preferences the run sets for the uploader, read through the context.
struct UploadSettingsT {
  std::string uploadType;              // UploadType: "Machine" or "User"
  std::string uploadDirectory;         // UploadDirectory: the staging directory when set
  std::string machineUploadDirectory;  // MachineUploadDirectory
  std::string userUploadDirectory;     // UserUploadDirectory
  std::string ruleValue;               // UploadRuleValue: the expanded upload rule
  bool sourceRemove = false;           // SourceRemove: remove each staged file once delivered
};

// A failure with the message for the user; code 0 is success.
struct OutcomeT {
  int32_t code = 0;
  std::string message;
  bool ok() const { return code == 0; }
};

// The staging directory: UploadDirectory, else by the type (an empty type or "Machine" in any
// case: MachineUploadDirectory; any other: UserUploadDirectory).
std::string StagingDirectory(const UploadSettingsT& settings);
// The directory part of the rule's location: "<dir>/<file>" gives <dir>; a "file://" location
// gives its local path (host empty or "localhost"). Other schemes and a rule without a
// directory fail.
OutcomeT LocationDirectory(const std::string& ruleValue, std::string* dir);
// The staged files to deliver: regular files directly in dir, without the ".tmp" files a run
// is still writing. A directory that does not exist holds none.
OutcomeT StagedFiles(const std::string& dir, std::vector<std::string>* names);
// Creates dir with its missing parents.
OutcomeT MakeDirectories(const std::string& dir);
// The most numbered names a delivery tries before it gives up.
constexpr int c_MaxNumberedNames = 10000;
// The name a delivery takes when `name` is taken already: "-<n>" before the extension, or
// before the last two when the last is the compressed one ("a (Full).hxi.gz" gives
// "a (Full)-2.hxi.gz").
std::string NumberedName(const std::string& name, int n);
// Gives the finished file `temp` the name dir/name, or the first numbered name that is free,
// without ever replacing a file that is there; `temp` goes. Answers 0 or an error number.
int PublishUnder(const std::string& temp, const std::string& dir, const std::string& name, std::string* taken);
// Copies source (a regular file, not reached through a link) to dir/name through a temporary
// name in dir, readable by the owner alone. A delivery never replaces a file: when dir/name is
// taken, the file gets the next free "-<n>" name (see NumberedName in the source).
OutcomeT Deliver(const std::string& source, const std::string& dir, const std::string& name);

}  // namespace upl
