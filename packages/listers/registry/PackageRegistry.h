#pragma once
// Where the installer registries are: one collection of registry file paths per installer
// family, filled from the standard locations (the system's, every user's home, the running
// user's home) and from the files the file scan meets, and kept for the whole process, so
// that a registry found by a scan is read by every listing after it.
//
// Paths are kept as they are to be opened: the standard locations are machine paths and are
// mapped under the system root; a path the scan met is already a path of the host.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <vector>
#include <string>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

namespace trk {

// How a registry path was found (a path found in several ways has their bits together).
constexpr uint32_t REGISTRY_SYSTEM = 1;       // a system location, or met by the file scan
constexpr uint32_t REGISTRY_CURRENT_USER = 2; // asked for: the running user's home
constexpr uint32_t REGISTRY_OTHER_USERS = 4;  // every user's home
constexpr uint32_t REGISTRY_HOME_FOUND = 6;   // what a path under HOME is stored with
constexpr uint32_t REGISTRY_EVERYWHERE = 7;

// One user of the machine, as the registry search needs it.
struct SystemUserT {
  std::string name;
  uid_t uid = 0;
  std::string home;
};
// The users of the machine: the passwd file of the system root when one is set, else the
// system's user database.
std::vector<SystemUserT> SystemUsers();

class PackageRegistryPathCollectionC {
 public:
  struct EntryT {
    uint32_t flags = 0;
    uid_t owner = static_cast<uid_t>(-1);  // who besides root and us may own the file (its home's user)
  };
  virtual ~PackageRegistryPathCollectionC() = default;

  // True when path is a registry of this kind; it is then kept with REGISTRY_SYSTEM.
  HX_NODISCARD virtual bool registerFilePath(const std::string& path) = 0;
  // Adds the standard locations for the requested flags.
  virtual void augmentPaths(uint32_t flags) = 0;
  // augmentPaths(flags), then every kept path that has a bit of flags.
  std::map<std::string, EntryT> getPaths(uint32_t flags);
  // Keeps a path with REGISTRY_SYSTEM whatever its name.
  void addPath(const std::string& path) { add(path, 1u, static_cast<uid_t>(-1)); }
  // Forgets every path.
  void clear() { paths_.clear(); }

 protected:
  // Keeps a path when the file is readable.
  void addIfReadable(const std::string& path, uint32_t flags, uid_t owner);
  void add(const std::string& path, uint32_t flags, uid_t owner);

 private:
  std::map<std::string, EntryT> paths_;
};

// InstallAnywhere: ".com.zerog.registry.xml" in /var, in every user's home and in HOME.
class IARegistryPathCollectionC : public PackageRegistryPathCollectionC {
 public:
  static constexpr const char* c_FileName = ".com.zerog.registry.xml";
  HX_NODISCARD bool registerFilePath(const std::string& path) override;
  void augmentPaths(uint32_t flags) override;
};

// BEA/Oracle: "registry.xml" in every BEA home that a "bea/beahomelist" file names, the home
// lists being in every user's home, in root's home and /usr/local, and in HOME.
class BEARegistryPathCollectionC : public PackageRegistryPathCollectionC {
 public:
  static constexpr const char* c_FileName = "registry.xml";
  static constexpr const char* c_HomeList = "bea/beahomelist";
  HX_NODISCARD bool registerFilePath(const std::string& path) override;
  void augmentPaths(uint32_t flags) override;

 private:
  void addHomeList(const std::string& home, uint32_t flags, uid_t owner);
};

class PackageRegistryC {
 public:
  static PackageRegistryC& Current();

  // With `all`, the path joins every collection; otherwise each collection is offered it.
  // True when some collection took it.
  HX_NODISCARD bool registerFilePath(const std::string& path, bool all);

  IARegistryPathCollectionC& ia() { return ia_; }
  BEARegistryPathCollectionC& bea() { return bea_; }

 private:
  IARegistryPathCollectionC ia_;
  BEARegistryPathCollectionC bea_;
};

}  // namespace trk
