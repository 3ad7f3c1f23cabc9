#include "packages/listers/registry/PackageRegistry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "foundation/core/FileName.h"
#include "foundation/files/FileService.h"
#include "packages/listers/PackageSources.h"
#include "packages/listers/registry/RegistryParsers.h"
#include "platform/MachineFile.h"

namespace trk {

namespace {

constexpr const char* c_PasswdFile = "/etc/passwd";
constexpr const char* c_RootUser = "root";
constexpr const char* c_SystemIADirectory = "/var";
constexpr const char* c_LocalDirectory = "/usr/local";
constexpr size_t c_PasswdUid = 2;
constexpr size_t c_PasswdHome = 5;

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string MachinePath(const std::string& path) { return FileService()->systemPath(path); }

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Home() {
  const char* home = std::getenv("HOME");
  return home != nullptr ? home : "";
}

bool RunningAsRoot() {
  const struct passwd* pw = ::getpwuid(::geteuid());
  return pw != nullptr && std::string(pw->pw_name) == c_RootUser;
}

}  // namespace

std::vector<SystemUserT> SystemUsers() {
  std::vector<SystemUserT> users;
  if (hx::MachineFromSnapshot()) {
    std::string text;
    if (!hx::ReadMachineFile(c_PasswdFile, text)) return users;
    for (const std::string& line : hx::SplitLines(text)) {
      const std::vector<std::string> fields = hx::Split(line, ':');
      int64_t uid = 0;
      if (fields.size() <= c_PasswdHome || !hx::ParseInt64(fields[c_PasswdUid], uid) || uid < 0) continue;
      users.push_back({fields[0], static_cast<uid_t>(uid), fields[c_PasswdHome]});
    }
    return users;
  }
  ::setpwent();
  while (const struct passwd* pw = ::getpwent()) users.push_back({pw->pw_name, pw->pw_uid, pw->pw_dir});
  ::endpwent();
  return users;
}

// ---- the collections ----

std::map<std::string, PackageRegistryPathCollectionC::EntryT> PackageRegistryPathCollectionC::getPaths(uint32_t flags) {
  augmentPaths(flags);
  std::map<std::string, EntryT> paths;
  for (const auto& p : paths_) {
    if ((p.second.flags & flags) != 0) paths.insert(p);
  }
  return paths;
}

void PackageRegistryPathCollectionC::add(const std::string& path, uint32_t flags, uid_t owner) {
  auto inserted = paths_.emplace(path, EntryT{flags, owner});
  if (!inserted.second) inserted.first->second.flags |= flags;
  if (owner != c_NoOtherOwner) inserted.first->second.owner = owner;
}

void PackageRegistryPathCollectionC::addIfReadable(const std::string& path, uint32_t flags, uid_t owner) {
  if (::access(path.c_str(), R_OK) == 0) add(path, flags, owner);
}

bool IARegistryPathCollectionC::registerFilePath(const std::string& path) {
  if (!hx::EqualsNoCase(BaseName(path), c_FileName)) return false;
  add(path, REGISTRY_SYSTEM, c_NoOtherOwner);
  return true;
}

void IARegistryPathCollectionC::augmentPaths(uint32_t flags) {
  if ((flags & REGISTRY_OTHER_USERS) != 0) {
    for (const SystemUserT& user : SystemUsers())
      addIfReadable(MachinePath(Join(user.home, c_FileName)), REGISTRY_OTHER_USERS, user.uid);
  }
  if ((flags & REGISTRY_SYSTEM) != 0)
    addIfReadable(MachinePath(Join(c_SystemIADirectory, c_FileName)), REGISTRY_SYSTEM, c_NoOtherOwner);
  if ((flags & REGISTRY_CURRENT_USER) != 0 && !Home().empty())
    addIfReadable(MachinePath(Join(Home(), c_FileName)), REGISTRY_HOME_FOUND, c_NoOtherOwner);
}

bool BEARegistryPathCollectionC::registerFilePath(const std::string& path) {
  if (!hx::EqualsNoCase(BaseName(path), c_FileName)) return false;
  add(path, REGISTRY_SYSTEM, c_NoOtherOwner);
  return true;
}

void BEARegistryPathCollectionC::addHomeList(const std::string& home, uint32_t flags, uid_t owner) {
  std::string text;
  if (!ReadSourceFile(MachinePath(Join(home, c_HomeList)), &text, owner)) return;
  for (const std::string& beaHome : SplitBeaHomeList(text))
    addIfReadable(MachinePath(Join(beaHome, c_FileName)), flags, owner);
}

void BEARegistryPathCollectionC::augmentPaths(uint32_t flags) {
  const bool root = RunningAsRoot();
  std::vector<SystemUserT> users;
  if ((flags & REGISTRY_OTHER_USERS) != 0 || ((flags & REGISTRY_SYSTEM) != 0 && !root)) users = SystemUsers();
  if ((flags & REGISTRY_OTHER_USERS) != 0) {
    for (const SystemUserT& user : users) addHomeList(user.home, REGISTRY_OTHER_USERS, user.uid);
  }
  if ((flags & REGISTRY_SYSTEM) != 0) {
    std::string rootHome = root ? Home() : std::string();
    for (const SystemUserT& user : users) {
      if (!root && user.name == c_RootUser) rootHome = user.home;
    }
    if (!rootHome.empty()) addHomeList(rootHome, REGISTRY_SYSTEM, c_NoOtherOwner);
    addHomeList(c_LocalDirectory, REGISTRY_SYSTEM, c_NoOtherOwner);
  }
  if ((flags & REGISTRY_CURRENT_USER) != 0 && !root && !Home().empty())
    addHomeList(Home(), REGISTRY_HOME_FOUND, c_NoOtherOwner);
}

// ---- the registry of the process ----

PackageRegistryC& PackageRegistryC::Current() {
  static PackageRegistryC s_registry;
  return s_registry;
}

bool PackageRegistryC::registerFilePath(const std::string& path, bool all) {
  if (all) {
    ia_.addPath(path);
    bea_.addPath(path);
    return true;
  }
  const bool ia = ia_.registerFilePath(path);
  const bool bea = bea_.registerFilePath(path);
  return ia || bea;
}

}  // namespace trk
