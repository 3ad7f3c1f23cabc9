// Expansion of "$(Name)" references. The output is built in one left-to-right pass: literal
// text is copied, each reference is replaced by the expansion of the named value, written
// straight into the same output. Nothing is re-scanned or rebuilt, so the cost follows the
// length of the result.

#include <string_view>

#include "prefs/store/EnvPreferences.h"

namespace {
constexpr std::string_view c_RefOpen = "$(";
constexpr char c_RefClose = ')';
}  // namespace

struct EnvPreferencesC::ExpansionC {
  StringC out;
  std::vector<std::string_view> chain;  // the names being expanded, outermost first
  size_t references = 0;
  bool exhausted = false;

  bool OnChain(std::string_view name) const {
    for (std::string_view n : chain) {
      if (hx::EqualsNoCase(n, name)) return true;
    }
    return false;
  }
  void Append(std::string_view text) {
    if (exhausted) return;
    const size_t room = c_MaxExpandedLength - out.size();
    if (text.size() > room) {
      out.append(text.substr(0, room));
      exhausted = true;
      return;
    }
    out.append(text);
  }
};

StringC EnvPreferencesC::ResolveValue(const StringC& text, unsigned char isName, int depth) {
  ExpansionC x;
  if (isName == 0) {
    if (depth <= 0) return StringC();
    ExpandText(text, depth, x);
    return std::move(x.out);
  }
  const env_ParameterC* p = env_->Find(text);
  if (p == nullptr) return emptyIfNotExist_ != 0 ? StringC() : "$(" + text + ")";
  if (depth <= 0) return StringC();
  x.chain.push_back(text);
  ExpandText(p->Value(), depth, x);
  return std::move(x.out);
}

StringC EnvPreferencesC::ExpandValueOf(const StringC& name, const StringC& value) {
  ExpansionC x;
  x.chain.push_back(name);
  ExpandText(value, c_ResolveDepth, x);
  return std::move(x.out);
}

void EnvPreferencesC::ExpandText(const StringC& text, int depth, ExpansionC& x) {
  const std::string_view t(text);
  size_t pos = 0;
  while (!x.exhausted) {
    const size_t start = t.find(c_RefOpen, pos);
    if (start == std::string_view::npos) break;
    const size_t close = t.find(c_RefClose, start + c_RefOpen.size());
    if (close == std::string_view::npos) break;
    x.Append(t.substr(pos, start - pos));
    const size_t nameAt = start + c_RefOpen.size();
    const std::string_view name = t.substr(nameAt, close - nameAt);
    if (x.OnChain(name)) {
      x.Append(t.substr(start, close + 1 - start));
    } else {
      ExpandName(StringC(name), depth - 1, x);
    }
    pos = close + 1;
  }
  x.Append(t.substr(pos));
}

void EnvPreferencesC::ExpandName(const StringC& name, int depth, ExpansionC& x) {
  const env_ParameterC* p = env_->Find(name);
  if (p == nullptr) {
    if (emptyIfNotExist_ == 0) x.Append("$(" + name + ")");
    return;
  }
  if (depth <= 0) return;
  if (++x.references > c_MaxExpandedReferences) {
    x.exhausted = true;
    return;
  }
  x.chain.push_back(p->Name());
  ExpandText(p->Value(), depth, x);
  x.chain.pop_back();
}
