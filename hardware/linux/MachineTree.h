#pragma once
// MachineTreeC: the files a Linux host publishes about itself (/proc, /sys,
// /etc, /usr/share), read below the machine's root: "/" on the live host, the
// system root (TARVOSKSYSROOT) when a captured machine is inventoried.
//
// Every path is resolved inside that root, whatever the links on the way say:
// sysfs is made of links ("/sys/class/net/eth0" -> "../../devices/..."), and a
// captured tree holds them as they were, absolute ones included; resolved
// naively, an absolute link would read the build host's file instead of the
// captured one, and a crafted tree could lead the reader anywhere. The
// resolution uses openat2(RESOLVE_IN_ROOT) where the kernel has it and the same
// rule by hand elsewhere: "/" and ".." never leave the root, at most 40 links
// are followed.
//
// Reads are bounded (a file larger than the limit counts as unreadable) and
// never block: a FIFO or a device where a file is expected is not read. Files
// of the kernel's own file systems (procfs, sysfs) are taken as they are,
// whoever owns them (a process's files belong to its user); any other file must
// belong to root or to the running user and be writable by nobody else, as
// every file the run loads.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"

namespace hxlinux {

class MachineTreeC {
 public:
  // The largest file read unless a caller asks for less: far above any kernel
  // attribute.
  static constexpr size_t c_MaxFile = 4u * 1024u * 1024u;

  // The tree of the machine being inventoried: the system root when one is set,
  // else "/".
  static const MachineTreeC& Machine();

  // A tree rooted at `root` (a directory); an empty text means "/".
  explicit MachineTreeC(const std::string& root);

  // The whole content of `path` (absolute in the machine). False, with `text`
  // empty, when it is missing, unreadable, refused or larger than `limit`.
  HX_NODISCARD bool Read(std::string_view path, std::string& text, size_t limit = c_MaxFile) const;
  // The same for a reader to whom an empty file and no file mean one thing:
  // the content, or "" when it cannot be read.
  std::string Text(std::string_view path, size_t limit = c_MaxFile) const;
  // The content trimmed of white space at both ends ("" when unreadable): one
  // sysfs attribute.
  std::string Value(std::string_view path) const;
  // The names in directory `path`, sorted, without "." and ".."; empty when
  // unreadable.
  std::vector<std::string> List(std::string_view path) const;
  // The target of the link `path` itself (its last component is not followed).
  HX_NODISCARD bool Link(std::string_view path, std::string& target) const;
  // The last component of the link's target ("" when `path` is no link): the
  // name of a driver, a module, a device that sysfs links to.
  std::string LinkName(std::string_view path) const;
  // Whether `path` exists (links followed inside the tree), and whether it is a
  // directory.
  bool Exists(std::string_view path) const;
  bool IsDirectory(std::string_view path) const;

  // Opens `path` inside the tree with `flags` (O_RDONLY, O_DIRECTORY, O_PATH,
  // ...; O_CLOEXEC, O_NOCTTY and O_NONBLOCK are always added). No descriptor,
  // with errno saying why, when it cannot be opened.
  hx::UniqueFdC Open(std::string_view path, int flags) const;

  const std::string& Root() const { return root_; }
  // Resolves by hand even where the kernel could (both ways must give the same
  // answers).
  static void ResolveByHand(bool byHand);

 private:
  hx::UniqueFdC OpenByHand(std::string_view path, int flags) const;

  std::string root_;
  hx::UniqueFdC rootFd_;
};

}  // namespace hxlinux
