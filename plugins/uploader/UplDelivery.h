#pragma once
// The file work of the uploader: where staged files are, where they go, and delivering one
// file so that a reader at the location never sees it half written.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"

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
// Whether the location directory `dir` lies below a top-level directory that does not exist,
// as the one an empty ServerLocation gives ("/Inventories"): nobody gave the run such a
// place, and the uploader makes nothing at the root of the file system.
bool UnderMissingTopDirectory(const std::string& dir);
// The staged files to deliver: regular files directly in dir, without the ".tmp" files a run
// is still writing. A directory that does not exist holds none.
OutcomeT StagedFiles(const std::string& dir, std::vector<std::string>* names);
// Whether the run is being stopped; a delivery asks it between files and while it copies or
// sends, and ends at once when the answer is yes. Empty: never.
using StoppingT = std::function<bool()>;
// The outcome of a delivery ended because the run is being stopped.
OutcomeT Stopped(const std::string& name, const std::string& where);
// Opens the delivery directory `dir`, creating what is missing of it, after the trust checks of
// every directory the run writes into (foundation/files/Trust.h): a directory of another user
// or one that others may write into on the way, a link of another user, or a link in the place
// of the directory itself is refused, and nothing is created through it. *fd receives the
// directory, opened through the entries that were checked.
OutcomeT OpenDeliveryDirectory(const std::string& dir, hx::UniqueFdC* fd);
// The most numbered names a delivery tries before it gives up.
constexpr int c_MaxNumberedNames = 10000;
// `name` with "-<part>" before the extension, or before the last two when the last is the
// compressed one ("a (Full).hxi.gz" and "2" give "a (Full)-2.hxi.gz").
std::string NameWithPart(const std::string& name, const std::string& part);
// The name a delivery takes when `name` is taken already: NameWithPart with the number n.
std::string NumberedName(const std::string& name, int n);
// Gives the finished file `from` (relative to the directory descriptor fromDir, or AT_FDCWD)
// the name `name` in the directory toDir, or the first numbered name that is free, without ever
// replacing a file that is there; `from` goes. Answers 0 or an error number.
HX_NODISCARD int PublishUnder(int fromDir, const std::string& from, int toDir, const std::string& name, std::string* taken);
// Copies source (a regular file, not reached through a link) to `name` in the directory open as
// dirFd (`dir` in messages) through a temporary name there, readable by the owner alone. A
// delivery never replaces a file: when the name is taken, the file gets the next free "-<n>"
// name, which *taken receives.
OutcomeT Deliver(const std::string& source, int dirFd, const std::string& dir, const std::string& name,
                 const StoppingT& stopping, std::string* taken);

}  // namespace upl
