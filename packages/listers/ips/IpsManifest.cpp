#include "packages/listers/ips/IpsManifest.h"

#include "foundation/core/Text.h"
#include "packages/listers/ips/IPSPackageLister.h"

namespace {

constexpr std::string_view c_Blanks = " \t\n\r";
constexpr std::string_view c_PublisherPrefixes[] = {"pkg://", "//"};
constexpr std::string_view c_PlainPrefixes[] = {"pkg:/", "/"};
constexpr const char* c_SummaryName = "pkg.summary";

std::string_view Trimmed(std::string_view s) {
  const size_t start = s.find_first_not_of(c_Blanks);
  if (start == std::string_view::npos) return std::string_view();
  return s.substr(start, s.find_last_not_of(c_Blanks) - start + 1);
}

bool RemovePrefix(std::string_view& s, std::string_view prefix) {
  if (!hx::StartsWith(s, prefix)) return false;
  s.remove_prefix(prefix.size());
  return true;
}

// The next word of s up to a blank, with quotes and escapes taken out; s keeps the rest.
std::string NextWord(std::string_view& s) {
  std::string word;
  size_t i = s.find_first_not_of(c_Blanks);
  char quote = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\\' && i + 1 < s.size()) {
      word += s[++i];
    } else if (quote != 0) {
      if (c == quote) quote = 0; else word += c;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ' ' || c == '\t') {
      break;
    } else {
      word += c;
    }
  }
  s.remove_prefix(std::min(i, s.size()));
  return word;
}

}  // namespace

bool FMRIC::FromString(std::string_view text) {
  *this = FMRIC();
  std::string_view s = Trimmed(text);
  bool hasPublisher = false;
  for (std::string_view prefix : c_PublisherPrefixes) {
    if (RemovePrefix(s, prefix)) {
      hasPublisher = true;
      break;
    }
  }
  if (hasPublisher) {
    const size_t slash = s.find('/');
    if (slash == std::string_view::npos) return false;
    publisher = std::string(s.substr(0, slash));
    s.remove_prefix(slash + 1);
  } else {
    for (std::string_view prefix : c_PlainPrefixes) {
      if (RemovePrefix(s, prefix)) break;
    }
  }
  const size_t at = s.rfind('@');
  name = std::string(s.substr(0, at));
  if (name.empty() || name.find_first_of(c_Blanks) != std::string::npos) return false;
  if (at != std::string_view::npos) {
    std::string_view rest = s.substr(at + 1);
    const size_t end = std::min(rest.find_first_of(",-:"), rest.size());
    version = std::string(rest.substr(0, end));
    rest.remove_prefix(end);
    // Each part runs to the next part's mark.
    while (!rest.empty()) {
      const char mark = rest[0];
      rest.remove_prefix(1);
      const size_t next = std::min(rest.find_first_of(mark == ',' ? "-:" : (mark == '-' ? ":" : "")), rest.size());
      std::string& part = mark == ',' ? build : (mark == '-' ? branch : timestamp);
      part = std::string(rest.substr(0, next));
      rest.remove_prefix(next);
    }
  }
  valid = true;
  return true;
}

IPSLineTypesT IPSManifestLineC::TypeOf(std::string_view word) {
  static const std::pair<std::string_view, IPSLineTypesT> s_names[] = {
      {"set", IPS_SET},     {"file", IPS_FILE},   {"link", IPS_LINK},   {"hardlink", IPS_HARDLINK},
      {"license", IPS_LICENSE}, {"name", IPS_NAME}, {"value", IPS_VALUE}, {"path", IPS_PATH}};
  for (const auto& n : s_names) {
    if (n.first == word) return n.second;
  }
  return IPS_UNKNOWN;
}

void IPSManifestLineC::Parse(std::string_view action) {
  type = IPS_UNKNOWN;
  attributes.clear();
  std::string_view rest = action;
  type = TypeOf(NextWord(rest));
  while (!Trimmed(rest).empty()) {
    const std::string word = NextWord(rest);
    const size_t eq = word.find('=');
    if (eq == std::string::npos) continue;
    const IPSLineTypesT kind = TypeOf(std::string_view(word).substr(0, eq));
    if (kind == IPS_NAME || kind == IPS_VALUE || kind == IPS_PATH) attributes[kind] = word.substr(eq + 1);
  }
}

std::string IPSManifestLineC::Attribute(IPSLineTypesT kind) const {
  const auto it = attributes.find(kind);
  return it == attributes.end() ? std::string() : it->second;
}

hx::ResultT IPSPkgManifestParserC::WriteLine(std::string_view raw) {
  const std::string_view line = Trimmed(raw);
  if (line.empty()) return hx::RC_OK;
  const size_t split = std::min(line.find_first_of(" \t"), line.size());
  const std::string_view identifier = line.substr(0, split);
  if (identifier != identifier_) {
    Close();
    identifier_ = std::string(identifier);
    current_ = nullptr;
    FMRIC fmri;
    if (!fmri.FromString(identifier)) {
      ++unreadable_;
      return hx::RC_OK;
    }
    auto package = std::make_unique<IPSPackageInfoC>();
    package->setName(fmri.name);
    package->setVersion(fmri.branch.empty() ? fmri.version : fmri.version + "-" + fmri.branch);
    if (!fmri.publisher.empty()) package->setProperty(PackageInfoC::c_sPublisher, fmri.publisher);
    current_ = package.get();
    collection_->push_back(std::move(package));
  }
  if (current_ == nullptr) {
    ++unreadable_;
    return hx::RC_OK;
  }
  IPSManifestLineC action;
  action.Parse(line.substr(split));
  if (action.type == IPS_FILE || action.type == IPS_LINK || action.type == IPS_HARDLINK) {
    std::string path = action.Attribute(IPS_PATH);
    if (!path.empty()) current_->files().push_back(path[0] == '/' ? std::move(path) : "/" + path);
  } else if (action.type == IPS_SET && action.Attribute(IPS_NAME) == c_SummaryName) {
    current_->setProperty(PackageInfoC::c_sSummary, action.Attribute(IPS_VALUE));
  }
  return hx::RC_OK;
}

void IPSPkgManifestParserC::Close() {
  if (current_ != nullptr) current_->setStatus(current_->status() | PackageInfoC::c_StatusListed);
}
