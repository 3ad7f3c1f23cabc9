#pragma once
// Trust checks: whether a place the run loads from or writes to is under the control of root
// or of the running user alone. hxtrack runs as root on machines where others log in, and its
// default data directory lies under /var/tmp: a directory, file or link that another user owns
// or may change could make root load that user's plug-in or write where that user chooses.
//
// A path is trusted when, resolved component by component from "/", every directory on the
// way and the path itself is owned by root or by the effective user and is not writable by
// group or others, except that a directory with the sticky bit (/tmp, /var/tmp) may be
// writable by all: there nobody can replace what another user made. A symbolic link met on
// the way is followed only when it is owned by root or by the effective user too, and its
// target is checked the same way. A refusal names the path, the entry that failed, its owner
// and its mode; the run then neither loads nor writes anything from that place.
//
// Every check walks the path from "/" with a descriptor of the directory reached, examining
// and opening each entry relative to it (foundation/files/Trust.cpp); the uploader library
// compiles that file in, the reporting through the log (foundation/messages/TrustRefusal.h)
// stays with the program.
//
// Refusals are reported through ReportRefusal: to the log once start-up has made it ready,
// on standard error before that (and whenever the log itself is what failed).

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace hx {

class UniqueFdC;

// The refusal's message id, which is also its result code.
constexpr ResultT RC_UNTRUSTED = ToResult(MSGSET_TRACKER | 0x0070u);  // trk::TrkMsg(0x0070)
constexpr const char* TXT_UNTRUSTED =
    "\x01\x01" "e\x01" "ERROR: '%1$s' is not trusted and is not used: %2$s";

struct TrustFailureT {
  std::string path;     // what the run wanted to use
  std::string culprit;  // the entry that failed the check (the path itself or one above it)
  uid_t owner = 0;
  mode_t mode = 0;
  std::string reason;   // why, in a few words
  int error = 0;        // an error number when the entry could not be examined
  // The whole refusal as one sentence: "'<culprit>' is owned by user 65534 (nobody) with
  // mode 0777; ...".
  std::string Describe() const;
};

// Checks an existing path. RC_OK, RC_UNTRUSTED with the failure filled in, or the error
// number of a missing entry (ENOENT: then `failure->culprit` names it). `resolved` (may be
// null) receives the path with every link resolved.
HX_NODISCARD ResultT CheckTrusted(const std::string& path, std::string* resolved, TrustFailureT* failure);

// Checks the place of something that may not exist yet: the path as far as it exists. A
// missing entry is no refusal (everything above it passed, and what the run creates below is
// its own), so RC_OK then.
HX_NODISCARD ResultT CheckTrustedPlace(const std::string& path, TrustFailureT* failure);

// Makes sure a directory the run writes into exists and is trusted: missing components are
// created one by one (mode 0700 under the process mask) and each is checked, so nobody can
// slip a link or a directory of their own in between. The directory itself must be a real
// directory, not a link: links are accepted only above it, where an administrator's layout
// may have them.
HX_NODISCARD ResultT EnsureTrustedDirectory(const std::string& dir, TrustFailureT* failure);
// The same, and `fd` receives a descriptor of the directory (perhaps opened for search only:
// it is meant for the *at calls), opened through the very entries that were checked). Whoever
// creates in it relative to the descriptor writes where the check looked, whatever is renamed
// or replaced by path meanwhile.
HX_NODISCARD ResultT OpenTrustedDirectory(const std::string& dir, UniqueFdC* fd, TrustFailureT* failure);

// Where the dynamic loader finds a library: a path (with a "/") as it is; a bare name in the
// first directory that holds it of the loader's search path for the program (LD_LIBRARY_PATH,
// the program's run path <bin>/../lib, the system's directories), else the bare name.
// The program loads the path found, so that the library it checked is the one it loads, and
// the lookup does not depend on which object calls the loader (a sanitizer's interceptor does).
std::string ResolveLoadableLibrary(const std::string& nameOrPath);
// Checks a shared library before it is loaded: the file ResolveLoadableLibrary finds, unless
// only the system's own directories hold it.
HX_NODISCARD ResultT CheckLoadableLibrary(const std::string& nameOrPath, TrustFailureT* failure);

// The euid's view of the owner test, for tests that run as root and want another user.
bool IsTrustedOwner(uid_t uid);

}  // namespace hx
