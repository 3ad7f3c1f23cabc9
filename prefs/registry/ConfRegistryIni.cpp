#include "prefs/registry/ConfRegistryIni.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "foundation/core/Format.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/trace/Tracer.h"
#include "prefs/registry/ConfRegIniFile.h"

namespace {

constexpr const char* kTraceCategory = "Tracker/Registry";
constexpr char kSep = '\\';
// How a DWORD is written: the number followed by "l". Readers take the leading digits.
constexpr const char* kDWordFormat = "%ul";
constexpr ConfHKEY kLastHandle = 0x7FFFFFFFu;

struct RootNameT {
  ConfHKEY hkey;
  const char* longName;
  const char* shortName;
};
constexpr RootNameT kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},         {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},       {HKEY_USERS, "HKEY_USERS", "HKU"},
    {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA", "HKPD"}, {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC"},
    {HKEY_DYN_DATA, "HKEY_DYN_DATA", "HKDD"},
};

const RootNameT* FindRoot(ConfHKEY hkey) {
  for (const RootNameT& r : kRoots)
    if (r.hkey == hkey) return &r;
  return nullptr;
}

// A key path without separators at its ends ("\Software\" is "Software").
StringC StripSeparators(const StringC& path) {
  size_t b = 0, e = path.size();
  while (b < e && path[b] == kSep) ++b;
  while (e > b && path[e - 1] == kSep) --e;
  return path.substr(b, e - b);
}

// Hands a value's text out under the buffer rules of the query: the size counts the
// terminating zero; no buffer asks for the size only.
HX_NODISCARD hx::ResultT Deliver(const StringC& text, uint32_t* type, void* data, uint32_t* size) {
  const uint32_t needed = static_cast<uint32_t>(text.size() + 1);
  if (type) *type = CONF_REG_SZ;
  if (!data) {
    if (size) *size = needed;
    return CONF_REG_OK;
  }
  if (!size) return CONF_REG_E_INVALID_PARAM;
  if (*size < needed) {
    *size = needed;
    return CONF_REG_E_MORE_DATA;
  }
  std::memcpy(data, text.c_str(), needed);
  *size = needed;
  return CONF_REG_OK;
}

bool SameFileOnDisk(const StringC& a, const StringC& b) {
  if (a == b) return true;
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

ConfRegistryIniC::ConfRegistryIniC() { Reset(); }

ConfRegistryIniC::~ConfRegistryIniC() = default;

void ConfRegistryIniC::Reset() {
  files_.clear();
  keys_.clear();
  byPath_.clear();
  nextHandle_ = 1;
  writeThrough_ = true;
  // The machine and user hives are open from the start; other roots open on first use.
  findKey(HKEY_LOCAL_MACHINE);
  findKey(HKEY_CURRENT_USER);
}

std::vector<StringC> ConfRegistryIniC::MountedFiles() const {
  std::vector<StringC> out;
  for (const auto& f : files_) out.push_back(f->path());
  return out;
}

// --- Keys

ConfRegKeyC* ConfRegistryIniC::findKey(ConfHKEY handle) {
  auto it = keys_.find(handle);
  if (it != keys_.end()) return it->second.get();
  const RootNameT* root = FindRoot(handle);
  if (!root) return nullptr;
  auto key = std::make_unique<ConfRegKeyC>(root->longName, StringC(), nullptr);
  ConfRegKeyC* raw = key.get();
  keys_.emplace(handle, std::move(key));
  return raw;
}

ConfHKEY ConfRegistryIniC::addKey(std::unique_ptr<ConfRegKeyC> key) {
  while (nextHandle_ == CONF_HKEY_NONE || ConfIsPredefinedKey(nextHandle_) || keys_.count(nextHandle_))
    nextHandle_ = nextHandle_ >= kLastHandle ? 1 : nextHandle_ + 1;
  const ConfHKEY h = nextHandle_++;
  byPath_[key->fullPath()] = h;
  keys_.emplace(h, std::move(key));
  return h;
}

hx::ResultT ConfRegistryIniC::keyPath(ConfHKEY hkey, const StringC& subkey, StringC* fullPath) {
  ConfRegKeyC* parent = findKey(hkey);
  if (!parent) return CONF_REG_E_INVALID_HANDLE;
  const StringC sub = StripSeparators(subkey);
  *fullPath = sub.empty() ? parent->fullPath() : parent->fullPath() + kSep + sub;
  return CONF_REG_OK;
}

ConfRegistryIniC::LocationT ConfRegistryIniC::locate(const StringC& fullPath) const {
  LocationT loc;
  for (const auto& f : files_) {
    const StringC& mp = f->mountPoint();
    if (fullPath.size() <= mp.size() + 1 || fullPath[mp.size()] != kSep || !hx::StartsWithNoCase(fullPath, mp))
      continue;
    // Only the first file mounted above the path is asked, whether it has the key or not.
    loc.file = f;
    loc.section = fullPath.substr(mp.size() + 1);
    const PrefsC& content = f->content();
    loc.exists = content.FindSection(loc.section) != nullptr || content.HasSectionBelow(loc.section);
    break;
  }
  return loc;
}

void ConfRegistryIniC::checkAllFiles() {
  for (const auto& f : files_) f->checkReload();
}

hx::ResultT ConfRegistryIniC::openKey(ConfHKEY hkey, const StringC& subkey, bool create, ConfHKEY* handle) {
  if (!handle) return CONF_REG_E_INVALID_PARAM;
  StringC full;
  hx::ResultT rc = keyPath(hkey, subkey, &full);
  if (hx::Failed(rc)) return rc;
  checkAllFiles();

  auto makeSection = [](ConfRegKeyC& key) {
    if (key.file() && !key.file()->content().FindSection(key.section()))
      key.file()->content().AddSection(key.section());
  };

  ConfHKEY existing = CONF_HKEY_NONE;
  if (StripSeparators(subkey).empty()) existing = hkey;
  else if (auto it = byPath_.find(full); it != byPath_.end()) existing = it->second;
  if (existing != CONF_HKEY_NONE) {
    ConfRegKeyC* key = findKey(existing);
    // Predefined roots are never counted: they stay open for the life of the registry.
    if (!ConfIsPredefinedKey(existing)) key->addRef();
    if (create) makeSection(*key);
    *handle = existing;
    return CONF_REG_OK;
  }

  LocationT loc = locate(full);
  if (!loc.file) return CONF_REG_E_NOT_FOUND;
  if (!loc.exists) {
    if (!create) return CONF_REG_E_NOT_FOUND;
    if (!PrefsC::IsStorableSection(loc.section)) return CONF_REG_E_INVALID_PARAM;
    loc.file->content().AddSection(loc.section);
  }
  *handle = addKey(std::make_unique<ConfRegKeyC>(full, loc.section, loc.file));
  return CONF_REG_OK;
}

hx::ResultT ConfRegistryIniC::OpenKey(ConfHKEY hkey, const StringC& subkey, uint32_t /*access*/, ConfHKEY* handle) {
  return openKey(hkey, subkey, false, handle);
}

hx::ResultT ConfRegistryIniC::CloseKey(ConfHKEY handle) {
  if (ConfIsPredefinedKey(handle)) return CONF_REG_OK;
  auto it = keys_.find(handle);
  if (it == keys_.end()) return CONF_REG_E_INVALID_HANDLE;
  if (it->second->release() <= 0) {
    // The path may stand for a newer key by now, when this one's file was replaced.
    auto byPath = byPath_.find(it->second->fullPath());
    if (byPath != byPath_.end() && byPath->second == handle) byPath_.erase(byPath);
    keys_.erase(it);
  }
  return CONF_REG_OK;
}

template <typename Fn>
hx::ResultT ConfRegistryIniC::withKey(ConfHKEY hkey, const StringC& subkey, bool create, Fn&& fn) {
  ConfHKEY h = CONF_HKEY_NONE;
  hx::ResultT rc = openKey(hkey, subkey, create, &h);
  if (hx::Failed(rc)) return rc;
  rc = fn(*findKey(h));
  HX_IGNORE_RESULT(CloseKey(h));  // opened just above: closing it cannot fail
  return rc;
}

// --- Reading

hx::ResultT ConfRegistryIniC::ConfRegQueryValueEx(ConfHKEY key, const StringC& name, uint32_t* type, void* data,
                                                  uint32_t* size) {
  ConfRegKeyC* k = findKey(key);
  if (!k) return CONF_REG_E_INVALID_HANDLE;
  if (!k->file()) return CONF_REG_E_NOT_FOUND;
  k->file()->checkReload();
  const PrefsC::EntryT* e = k->file()->content().Find(k->section(), name);
  if (!e) return CONF_REG_E_NOT_FOUND;
  return Deliver(e->value, type, data, size);
}

hx::ResultT ConfRegistryIniC::ExistsBytes(ConfHKEY hkey, const StringC& subkey, const StringC& name, uint32_t* size,
                                          uint32_t* type) {
  return ReadBytes(hkey, subkey, name, nullptr, size, type);
}

hx::ResultT ConfRegistryIniC::ReadBytes(ConfHKEY hkey, const StringC& subkey, const StringC& name, void* data,
                                        uint32_t* size, uint32_t* type) {
  ConfHKEY h = CONF_HKEY_NONE;
  hx::ResultT rc = openKey(hkey, subkey, false, &h);
  if (hx::Failed(rc)) return rc;
  rc = ConfRegQueryValueEx(h, name, type, data, size);
  HX_IGNORE_RESULT(CloseKey(h));  // opened just above: closing it cannot fail
  return rc;
}

hx::ResultT ConfRegistryIniC::ReadString(ConfHKEY hkey, const StringC& subkey, const StringC& name, StringC* value) {
  if (!value) return CONF_REG_E_INVALID_PARAM;
  return withKey(hkey, subkey, false, [&](ConfRegKeyC& k) {
    if (!k.file()) return CONF_REG_E_NOT_FOUND;
    k.file()->checkReload();
    const PrefsC::EntryT* e = k.file()->content().Find(k.section(), name);
    if (!e) return CONF_REG_E_NOT_FOUND;
    *value = e->value;
    return CONF_REG_OK;
  });
}

hx::ResultT ConfRegistryIniC::ReadStringArray(ConfHKEY, const StringC&, const StringC&, StringArrayC*) {
  return hx::RC_NOT_IMPL;
}

hx::ResultT ConfRegistryIniC::ReadDWord(ConfHKEY hkey, const StringC& subkey, const StringC& name, uint32_t* value) {
  if (!value) return CONF_REG_E_INVALID_PARAM;
  StringC text;
  hx::ResultT rc = ReadString(hkey, subkey, name, &text);
  if (hx::Failed(rc)) return rc;
  uint64_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    n = std::min<uint64_t>(n * 10 + static_cast<uint64_t>(c - '0'), UINT32_MAX);
  }
  *value = static_cast<uint32_t>(n);
  return CONF_REG_OK;
}

// --- Enumeration

hx::ResultT ConfRegistryIniC::StartEnumerate(ConfHKEY hkey, const StringC& subkey, ConfHKEY* handle) {
  return openKey(hkey, subkey, false, handle);
}

hx::ResultT ConfRegistryIniC::GetEnumeratedValue(ConfHKEY handle, uint32_t index, StringC* name, uint32_t* type,
                                                 void* data, uint32_t* size) {
  ConfRegKeyC* k = findKey(handle);
  if (!k) return CONF_REG_E_INVALID_HANDLE;
  if (!k->file()) return CONF_REG_E_NOT_FOUND;
  k->file()->checkReload();
  const PrefsC::SectionC* s = k->file()->content().FindSection(k->section());
  if (!s || index >= s->entries().size()) return CONF_REG_E_NOT_FOUND;
  const PrefsC::EntryT& e = s->entries()[index];
  if (name) *name = e.name;
  return Deliver(e.value, type, data, size);
}

hx::ResultT ConfRegistryIniC::GetEnumeratedKey(ConfHKEY handle, uint32_t index, StringC* name) {
  ConfRegKeyC* k = findKey(handle);
  if (!k) return CONF_REG_E_INVALID_HANDLE;
  if (!k->file()) return CONF_REG_E_NOT_FOUND;
  k->file()->checkReload();
  const StringC prefix = k->section() + kSep;
  std::vector<StringC> children;
  for (const PrefsC::SectionC& s : k->file()->content().Sections()) {
    if (s.name().size() <= prefix.size() || !hx::StartsWithNoCase(s.name(), prefix)) continue;
    const StringC rest = s.name().substr(prefix.size());
    const StringC child = rest.substr(0, rest.find(kSep));
    if (child.empty()) continue;
    if (std::none_of(children.begin(), children.end(), [&](const StringC& c) { return hx::EqualsNoCase(c, child); }))
      children.push_back(child);
  }
  if (index >= children.size()) return CONF_REG_E_NOT_FOUND;
  if (name) *name = children[index];
  return CONF_REG_OK;
}

hx::ResultT ConfRegistryIniC::EndEnumerate(ConfHKEY handle) { return CloseKey(handle); }

// --- Writing

hx::ResultT ConfRegistryIniC::saveIfWriteThrough(ConfRegIniFileC& file) {
  if (!writeThrough_ || !file.content().HasChanges()) return CONF_REG_OK;
  return file.save();
}

hx::ResultT ConfRegistryIniC::setValue(ConfRegKeyC& key, const StringC& name, const StringC& value, bool persistent) {
  if (!key.file()) return CONF_REG_E_NOT_FOUND;
  PrefsC& content = key.file()->content();
  if (!persistent) return content.SetVolatile(key.section(), name, value) ? CONF_REG_OK : CONF_REG_E_INVALID_PARAM;
  if (!content.Set(key.section(), name, value)) return CONF_REG_E_INVALID_PARAM;
  return saveIfWriteThrough(*key.file());
}

hx::ResultT ConfRegistryIniC::ConfRegSetValueEx(ConfHKEY key, const StringC& name, const StringC& value) {
  ConfRegKeyC* k = findKey(key);
  if (!k) return CONF_REG_E_INVALID_HANDLE;
  return setValue(*k, name, value, true);
}

hx::ResultT ConfRegistryIniC::CreateKey(ConfHKEY hkey, const StringC& subkey, ConfHKEY* handle) {
  hx::ResultT rc = openKey(hkey, subkey, true, handle);
  if (hx::Failed(rc)) return rc;
  ConfRegKeyC* k = findKey(*handle);
  if (!k->file()) return CONF_REG_OK;
  rc = saveIfWriteThrough(*k->file());
  if (hx::Failed(rc)) {
    HX_IGNORE_RESULT(CloseKey(*handle));  // opened just above: closing it cannot fail
    *handle = CONF_HKEY_NONE;
  }
  return rc;
}

hx::ResultT ConfRegistryIniC::CreateString(ConfHKEY hkey, const StringC& subkey, const StringC& name,
                                           const StringC& value) {
  return withKey(hkey, subkey, true, [&](ConfRegKeyC& k) { return setValue(k, name, value, true); });
}

hx::ResultT ConfRegistryIniC::CreateBytes(ConfHKEY hkey, const StringC& subkey, const StringC& name, const void* data,
                                          uint32_t size, uint32_t type) {
  if (!data && size > 0) return CONF_REG_E_INVALID_PARAM;
  if (type == CONF_REG_DWORD && size == sizeof(uint32_t)) {
    uint32_t v = 0;
    std::memcpy(&v, data, sizeof v);
    return CreateDWord(hkey, subkey, name, v);
  }
  const char* bytes = static_cast<const char*>(data);
  const StringC text = bytes ? StringC(bytes, ::strnlen(bytes, size)) : StringC();
  return CreateString(hkey, subkey, name, text);
}

hx::ResultT ConfRegistryIniC::CreateStringArray(ConfHKEY, const StringC&, const StringC&, const StringArrayC&) {
  return hx::RC_NOT_IMPL;
}

hx::ResultT ConfRegistryIniC::CreateDWord(ConfHKEY hkey, const StringC& subkey, const StringC& name, uint32_t value) {
  return CreateString(hkey, subkey, name, hx::Format(kDWordFormat, value));
}

hx::ResultT ConfRegistryIniC::DeleteValue(ConfHKEY hkey, const StringC& subkey, const StringC& name) {
  return withKey(hkey, subkey, false, [&](ConfRegKeyC& k) {
    if (!k.file()) return CONF_REG_E_NOT_FOUND;
    if (!k.file()->content().Remove(k.section(), name)) return CONF_REG_E_NOT_FOUND;
    return saveIfWriteThrough(*k.file());
  });
}

hx::ResultT ConfRegistryIniC::DeleteKey(ConfHKEY hkey, const StringC& subkey, bool recursive) {
  return withKey(hkey, subkey, false, [&](ConfRegKeyC& k) {
    if (!k.file()) return CONF_REG_E_NOT_FOUND;
    k.file()->content().RemoveSection(k.section(), recursive);
    return saveIfWriteThrough(*k.file());
  });
}

// --- Paths and roots

hx::ResultT ConfRegistryIniC::ExtractKeyComponents(const StringC& path, ConfHKEY* hkey, StringC* subkey,
                                                   StringC* name) {
  StringC p = path;
  while (!p.empty() && p.front() == kSep) p.erase(0, 1);
  const size_t first = p.find(kSep);
  const ConfHKEY root = StringToHKEY(p.substr(0, first));
  if (root == CONF_HKEY_NONE) return CONF_REG_E_INVALID_PARAM;
  const StringC rest = first == StringC::npos ? StringC() : p.substr(first + 1);
  const size_t last = rest.rfind(kSep);
  if (hkey) *hkey = root;
  if (subkey) *subkey = last == StringC::npos ? StringC() : rest.substr(0, last);
  if (name) *name = last == StringC::npos ? rest : rest.substr(last + 1);
  return CONF_REG_OK;
}

ConfHKEY ConfRegistryIniC::StringToHKEY(const StringC& name) {
  for (const RootNameT& r : kRoots)
    if (hx::EqualsNoCase(name, r.longName) || hx::EqualsNoCase(name, r.shortName)) return r.hkey;
  return CONF_HKEY_NONE;
}

StringC ConfRegistryIniC::HKEYToLongString(ConfHKEY hkey) {
  const RootNameT* r = FindRoot(hkey);
  return r ? r->longName : "";
}

StringC ConfRegistryIniC::HKEYToShortString(ConfHKEY hkey) {
  const RootNameT* r = FindRoot(hkey);
  return r ? r->shortName : "";
}

hx::ResultT ConfRegistryIniC::SetCurrentUserRoot(const StringC&) { return CONF_REG_OK; }

hx::ResultT ConfRegistryIniC::ConnectNetworkRegistry(const StringC&, ConfHKEY hkey, ConfHKEY* result) {
  if (result) *result = hkey;
  return CONF_REG_OK;
}

// --- Files

hx::ResultT ConfRegistryIniC::AddIniFile(const StringC& file, const StringC& root, const StringC& subkey) {
  if (root.empty() || file.empty()) return CONF_REG_E_INVALID_PARAM;
  const ConfHKEY hkey = StringToHKEY(root);
  if (hkey == CONF_HKEY_NONE) return CONF_REG_E_INVALID_PARAM;
  for (const auto& f : files_)
    if (SameFileOnDisk(f->path(), file)) return CONF_REG_E_MOUNTED;

  auto mounted = std::make_shared<ConfRegIniFileC>(file, HKEYToLongString(hkey), StripSeparators(subkey));
  // A file mounted at the same point gives way to the new one. Keys open on it stay usable by
  // their holders, but later opens of the same path find the new file.
  for (auto it = files_.begin(); it != files_.end();) {
    if (!hx::EqualsNoCase((*it)->mountPoint(), mounted->mountPoint())) {
      ++it;
      continue;
    }
    for (const auto& [handle, key] : keys_)
      if (key->file() == *it) byPath_.erase(key->fullPath());
    it = files_.erase(it);
  }
  files_.push_back(mounted);
  HX_IGNORE_RESULT(mounted->read());  // a file there that cannot be read is logged; a missing one is empty
  hx::Trace(kTraceCategory, "Mounted '%s' at '%s'", file, mounted->mountPoint());
  return CONF_REG_OK;
}

hx::ResultT ConfRegistryIniC::SetWriteThrough(unsigned char on) {
  writeThrough_ = on != 0;
  if (!writeThrough_) return CONF_REG_OK;
  hx::ResultT result = CONF_REG_OK;
  for (const auto& f : files_) {
    hx::ResultT rc = saveIfWriteThrough(*f);
    if (hx::Failed(rc)) result = rc;
  }
  return result;
}
