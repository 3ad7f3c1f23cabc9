// Arbitrary bytes as an agent INI file: loading must keep what it can read, the registry must
// answer for every section and value that was read, and writing the content back must give a
// file that reads as the same content.

#include "FuzzSupport.h"
#include "prefs/registry/ConfRegistryIni.h"
#include "prefs/registry/Prefs.h"

using hxfuzz::Check;

// Section names the registry can address as they are: separators at the ends of a key path
// are not part of it.
static bool Addressable(const StringC& section) {
  return !section.empty() && section.front() != '\\' && section.back() != '\\';
}

static void CheckRegistry(const std::string& path, const PrefsC& content) {
  ConfRegistryIniC reg;
  Check(reg.AddIniFile(path, "HKLM", "Software\\Fuzz") == CONF_REG_OK);
  for (const PrefsC::SectionC& s : content.Sections()) {
    if (!Addressable(s.name())) continue;
    ConfHKEY h = CONF_HKEY_NONE;
    Check(reg.StartEnumerate(HKEY_LOCAL_MACHINE, "Software\\Fuzz\\" + s.name(), &h) == CONF_REG_OK);
    uint32_t i = 0;
    StringC name;
    for (; reg.GetEnumeratedValue(h, i, &name, nullptr, nullptr, nullptr) == CONF_REG_OK; ++i) {
      StringC value;
      Check(reg.ReadString(h, "", name, &value) == CONF_REG_OK);
      Check(value == s.entries()[i].value);
    }
    Check(i == s.entries().size());
    Check(reg.EndEnumerate(h) == CONF_REG_OK);
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = hxfuzz::Scratch("fuzz.ini", data, size);
  if (path.empty()) return 0;

  PrefsC loaded;
  Check(loaded.Load(path) == 0);
  const StringC text = loaded.Text();
  for (const PrefsC::SectionC& s : loaded.Sections()) {
    Check(loaded.FindSection(s.name()) == &s);
    for (const PrefsC::EntryT& e : s.entries()) Check(loaded.Find(s.name(), e.name) == &e);
  }
  CheckRegistry(path, loaded);

  // Written back through the merge with the file on disk, the content reads the same.
  PrefsC copy;
  for (const PrefsC::SectionC& s : loaded.Sections()) {
    copy.AddSection(s.name());
    for (const PrefsC::EntryT& e : s.entries()) Check(copy.Set(s.name(), e.name, e.value));
  }
  Check(copy.Save(path) == 0);
  PrefsC again;
  Check(again.Load(path) == 0);
  Check(again.Text() == text);
  unlink((path + ".tmp").c_str());
  return 0;
}
