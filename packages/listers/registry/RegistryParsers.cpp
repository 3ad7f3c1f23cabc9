#include "packages/listers/registry/RegistryParsers.h"

#include <cstring>

#include "foundation/time/IsoDateTime.h"
#include "inventory/XmlParser.h"
#include "packages/listers/registry/RegistryListers.h"

namespace trk {

namespace {

constexpr std::string_view c_Blanks = " \t\n\r";

std::string Trimmed(std::string_view s) {
  const size_t start = s.find_first_not_of(c_Blanks);
  if (start == std::string_view::npos) return std::string();
  return std::string(s.substr(start, s.find_last_not_of(c_Blanks) - start + 1));
}

// The value of an attribute (exact name); "" when absent.
std::string Attribute(const char** atts, const char* name) {
  for (const char** a = atts; a != nullptr && a[0] != nullptr; a += 2) {
    if (std::strcmp(a[0], name) == 0) return a[1];
  }
  return std::string();
}

template <typename InfoT>
InfoT* AddPackage(RegistryCollectionT* collection, const std::string& name, const std::string& version) {
  auto package = std::make_unique<InfoT>();
  InfoT* raw = package.get();
  raw->setName(name);
  raw->setVersion(version);
  collection->push_back(std::move(package));
  return raw;
}

class IARegistryParserC : public XmlParserC {
 public:
  explicit IARegistryParserC(RegistryCollectionT* collection) : collection_(collection) {}

 protected:
  void onStartElement(const char* name, const char** atts) override {
    if (hx::EqualsNoCase(name, "products")) {
      ++products_;
      return;
    }
    if (products_ == 0) return;
    if (hx::EqualsNoCase(name, "product")) {
      const std::string productName = Attribute(atts, "name");
      const std::string version = Attribute(atts, "version");
      if (productName.empty() || version.empty()) return;
      current_ = AddPackage<IAPackageInfoC>(collection_, productName, version);
      text_.clear();
      const std::string location = Attribute(atts, "location");
      if (!location.empty()) current_->setProperty(PackageInfoC::c_sInstallLocation, location);
      const std::string modified = Attribute(atts, "last_modified");
      IsoDateTimeC date;
      time_t seconds = 0;
      if (!modified.empty() && hx::Succeeded(date.fromString(modified, true)) && hx::Succeeded(date.Get(&seconds)))
        current_->setInstallDate(static_cast<int64_t>(seconds));
    } else if (current_ != nullptr && hx::EqualsNoCase(name, "vendor")) {
      const std::string vendor = Attribute(atts, "name");
      if (!vendor.empty()) current_->setProperty(PackageInfoC::c_sPublisher, vendor);
    }
  }
  void onEndElement(const char* name) override {
    if (hx::EqualsNoCase(name, "products") && products_ > 0) --products_;
    if (current_ == nullptr || !hx::EqualsNoCase(name, "product")) return;
    const std::string summary = Trimmed(text_);
    if (!summary.empty()) current_->setProperty(PackageInfoC::c_sSummary, summary);
    current_ = nullptr;
  }
  void onCharacterData(const char* text, int length) override {
    if (current_ != nullptr) text_.append(text, static_cast<size_t>(length));
  }
  void onSkippedEntity(const char*) override {}

 private:
  RegistryCollectionT* collection_;
  int products_ = 0;
  PackageInfoC* current_ = nullptr;
  std::string text_;
};

class BEARegistryParserC : public XmlParserC {
 public:
  explicit BEARegistryParserC(RegistryCollectionT* collection) : collection_(collection) {}

 protected:
  void onStartElement(const char* name, const char** atts) override {
    if (hx::EqualsNoCase(name, "bea-product-information")) seen_ = true;
    if (!seen_) return;
    if (hx::EqualsNoCase(name, "product")) {
      product_ = Attribute(atts, "name");
    } else if (hx::EqualsNoCase(name, "release")) {
      inRelease_ = Attribute(atts, "Status") != "uninstalled";
      const std::string level = Attribute(atts, "level");
      if (!inRelease_ || level.empty()) return;
      std::string version = level;
      for (const char* part : {"ServicePackLevel", "PatchLevel"}) {
        const std::string value = Attribute(atts, part);
        if (!value.empty()) version += "." + value;
      }
      Add(product_, version, Attribute(atts, "InstallDir"));
    } else if (inRelease_ && hx::EqualsNoCase(name, "component")) {
      const std::string component = Attribute(atts, "name");
      const std::string version = Attribute(atts, "version");
      if (!component.empty() && !version.empty()) Add(component, version, Attribute(atts, "InstallDir"));
    }
  }
  void onEndElement(const char* name) override {
    if (hx::EqualsNoCase(name, "product") || hx::EqualsNoCase(name, "release")) inRelease_ = false;
  }
  void onCharacterData(const char*, int) override {}
  void onSkippedEntity(const char*) override {}

 private:
  void Add(const std::string& name, const std::string& version, const std::string& location) {
    // A release outside a named product names nothing the inventory could show.
    if (name.empty()) return;
    PackageInfoC* package = AddPackage<BEAPackageInfoC>(collection_, name, version);
    if (!location.empty()) package->setProperty(PackageInfoC::c_sInstallLocation, location);
    package->setProperty(PackageInfoC::c_sPublisher, c_BeaPublisher);
  }

  RegistryCollectionT* collection_;
  bool seen_ = false;
  bool inRelease_ = false;
  std::string product_;
};

}  // namespace

hx::ResultT ReadIARegistry(std::string_view text, RegistryCollectionT* collection) {
  IARegistryParserC parser(collection);
  return parser.parse(text.data(), text.size(), true);
}

hx::ResultT ReadBEARegistry(std::string_view text, RegistryCollectionT* collection) {
  BEARegistryParserC parser(collection);
  return parser.parse(text.data(), text.size(), true);
}

StringArrayC SplitBeaHomeList(std::string_view text) {
  StringArrayC homes;
  for (const std::string& line : hx::SplitLines(text)) {
    for (const std::string& item : hx::Split(line, ';', true)) {
      std::string home = Trimmed(item);
      if (!home.empty()) homes.push_back(std::move(home));
    }
  }
  return homes;
}

}  // namespace trk
