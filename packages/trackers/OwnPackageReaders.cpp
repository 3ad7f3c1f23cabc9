#include "packages/trackers/OwnPackageReaders.h"

#include <ctime>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "foundation/time/IsoDateTime.h"
#include "inventory/XmlParser.h"

namespace trk {

namespace {

constexpr std::string_view c_Utf8Bom = "\xEF\xBB\xBF";
constexpr const char* c_PackageElement = "package";
constexpr const char* c_PatchKind = "patch";
constexpr std::string_view c_AgentId = "agentid";
constexpr std::string_view c_AgentVersion = "agent_version";
constexpr char c_Comment = '#';

// The value of an attribute, its name compared without regard to case; "" when absent.
std::string Attribute(const char** atts, std::string_view name) {
  for (const char** a = atts; a != nullptr && a[0] != nullptr; a += 2) {
    if (hx::EqualsNoCase(a[0], name)) return a[1];
  }
  return std::string();
}

bool ReadsTrue(const std::string& value) {
  return hx::EqualsNoCase(value, "true") || hx::EqualsNoCase(value, "yes") || value == "1";
}

int64_t ParseTime(const std::string& text) {
  IsoDateTimeC date;
  time_t seconds = 0;
  if (text.empty() || hx::Failed(date.fromString(text, true)) || hx::Failed(date.Get(&seconds))) return 0;
  return seconds > 0 ? static_cast<int64_t>(seconds) : 0;
}

// Calls onPackage with the attributes of every "package" element.
template <typename F>
class PackageElementsC : public XmlParserC {
 public:
  explicit PackageElementsC(F onPackage) : onPackage_(std::move(onPackage)) {}

 protected:
  void onStartElement(const char* name, const char** atts) override {
    if (hx::EqualsNoCase(name, c_PackageElement)) onPackage_(atts);
  }
  void onEndElement(const char*) override {}
  void onCharacterData(const char*, int) override {}
  void onSkippedEntity(const char*) override {}

 private:
  F onPackage_;
};

template <typename F>
void ForEachPackageElement(std::string_view text, F onPackage) {
  if (hx::StartsWith(text, c_Utf8Bom)) text.remove_prefix(c_Utf8Bom.size());
  PackageElementsC<F> parser(std::move(onPackage));
  HX_IGNORE_RESULT(parser.parse(text.data(), text.size(), true));  // a broken file gives the packages before the fault
}

}  // namespace

bool ParsePackageDescription(std::string_view text, OwnPackageT* package) {
  bool found = false;
  ForEachPackageElement(text, [&](const char** atts) {
    if (found) return;
    found = true;
    package->name = Attribute(atts, "name");
    package->title = Attribute(atts, "title");
    package->version = Attribute(atts, "version");
    package->type = Attribute(atts, "type");
    package->objectId = Attribute(atts, "objectID");
    package->policyGuid = Attribute(atts, "policyGUID");
    package->installTime = ParseTime(Attribute(atts, "installTime"));
    package->patch = hx::EqualsNoCase(Attribute(atts, "kind"), c_PatchKind);
  });
  return found;
}

std::vector<LivePackageT> ParseLiveIndex(std::string_view text) {
  std::vector<LivePackageT> entries;
  ForEachPackageElement(text, [&](const char** atts) {
    entries.push_back(LivePackageT{Attribute(atts, "href"), Attribute(atts, "name"), Attribute(atts, "policyGUID"),
                                   Attribute(atts, "objectID"), ReadsTrue(Attribute(atts, "installed"))});
  });
  return entries;
}

AgentIdentityT ParseAgentIni(std::string_view text) {
  AgentIdentityT agent;
  for (const std::string& line : hx::SplitLines(text)) {
    if (line.empty() || line[0] == c_Comment) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    const std::string key = hx::Trim(std::string_view(line).substr(0, eq));
    const std::string value = hx::Trim(std::string_view(line).substr(eq + 1));
    if (key == c_AgentId) agent.id = value;
    if (key == c_AgentVersion) agent.version = value;
  }
  return agent;
}

}  // namespace trk
