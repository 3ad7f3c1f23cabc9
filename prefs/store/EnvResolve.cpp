// Expansion of "$(Name)" references.
//
// A level expands one working text: it finds the next "$(", takes the name up to the next ")",
// puts the expansion of that name (one level deeper) in place of the reference, and searches on
// from one character after where the reference began. So the text a replacement brings in is
// searched again at the same level, together with what follows it, and after an empty
// replacement the character that follows is not where a reference can begin
// ("$(Nope)$(UserName)" keeps "$(UserName)"). Only the name the level expands (or, for a
// text, the text itself) is left standing as a reference to itself.
//
// The working text is kept in two parts: the finished text, which is never searched again, and
// the text still to search, which is the rest of the value with, in front of it, the
// replacements that may hold references, stacked in reverse so that putting one in front costs
// only its own length. A replacement without a "$" cannot begin a reference and goes straight
// to the finished text. A value thus costs the length of its result, once per level.

#include <string_view>
#include <vector>

#include "prefs/store/EnvExpandReport.h"
#include "prefs/store/EnvPreferences.h"

namespace {

constexpr std::string_view c_RefOpen = "$(";
constexpr std::string_view c_RefOpenReversed = "($";
constexpr char c_RefClose = ')';
constexpr char c_Dollar = '$';
constexpr size_t c_Npos = std::string_view::npos;

// The text still to search: `front` (reversed, its last character comes first) followed by
// `base` from `pos` on. Offsets count from its first character.
class PendingTextC {
 public:
  explicit PendingTextC(std::string_view base) : base_(base) {}

  size_t Size() const { return front_.size() + base_.size() - pos_; }
  size_t FrontSize() const { return front_.size(); }

  // The offset of the next "$(", or npos.
  size_t FindOpen() const {
    const size_t f = front_.size();
    if (f > 0) {
      const size_t r = front_.rfind(c_RefOpenReversed);
      if (r != std::string::npos) return f - 2 - r;
      if (front_.front() == c_Dollar && pos_ < base_.size() && base_[pos_] == c_RefOpen[1]) return f - 1;
    }
    const size_t b = base_.find(c_RefOpen, pos_);
    return b == c_Npos ? c_Npos : f + (b - pos_);
  }

  // The offset of the next ")" at or after `from`, or npos.
  size_t FindClose(size_t from) const {
    const size_t f = front_.size();
    if (from < f) {
      const size_t r = front_.rfind(c_RefClose, f - 1 - from);
      if (r != std::string::npos) return f - 1 - r;
      from = f;
    }
    const size_t b = base_.find(c_RefClose, pos_ + (from - f));
    return b == c_Npos ? c_Npos : f + (b - pos_);
  }

  // Appends the characters at offsets [from, to) to `out`.
  void CopyTo(size_t from, size_t to, std::string& out) const {
    const size_t f = front_.size();
    if (from < f) out.append(front_.rbegin() + static_cast<std::ptrdiff_t>(from),
                             front_.rbegin() + static_cast<std::ptrdiff_t>(to < f ? to : f));
    if (to > f) {
      const size_t start = from > f ? from : f;
      out.append(base_.substr(pos_ + (start - f), to - start));
    }
  }

  // Takes the first `n` characters off, appending them to `out` unless it is null.
  void Take(size_t n, std::string* out) {
    const size_t f = front_.size();
    const size_t fromFront = n < f ? n : f;
    if (out != nullptr) out->append(front_.rbegin(), front_.rbegin() + static_cast<std::ptrdiff_t>(fromFront));
    front_.resize(f - fromFront);
    const size_t fromBase = n - fromFront;
    if (out != nullptr) out->append(base_.substr(pos_, fromBase));
    pos_ += fromBase;
  }

  void PutInFront(std::string_view text) { front_.append(text.rbegin(), text.rend()); }

 private:
  std::string front_;
  std::string_view base_;
  size_t pos_ = 0;
};

// A replacement that holds references, put in front of the text to search; it lies over the
// front from `below` up while the front is longer than that.
struct InsertionT {
  std::string name;
  size_t below;
};

// Whether the reference at the start of the text to search (`length` characters long) lies
// wholly inside a replacement made at this level for the same name. That replacement was
// searched from its second character on and led here; expanding the name again would bring in
// the same text, searched the same way, leading here again without end.
bool Repeats(std::string_view name, size_t length, size_t frontSize, std::vector<InsertionT>& insertions) {
  while (!insertions.empty() && frontSize <= insertions.back().below) insertions.pop_back();
  for (const InsertionT& i : insertions)
    if (frontSize >= i.below + length && hx::EqualsNoCase(i.name, name)) return true;
  return false;
}

}  // namespace

struct EnvPreferencesC::ExpansionC {
  size_t references = 0;
  env_ExpandLimitE limit = env_ExpandLimitE::None;
  StringC repeated;  // the name whose expansion would repeat without end
  StringC stoppedAt;  // the outermost reference left as written

  bool Stopped() const { return limit != env_ExpandLimitE::None; }
};

StringC EnvPreferencesC::ResolveValue(const StringC& text, unsigned char isName, int depth) {
  if (isName == 0) return depth <= 0 ? StringC() : Expand(text, text, depth);
  const env_ParameterC* p = env_->Find(text);
  if (p == nullptr) return emptyIfNotExist_ != 0 ? StringC() : "$(" + text + ")";
  if (depth <= 0) return StringC();
  return Expand(text, p->Value(), depth);
}

StringC EnvPreferencesC::Expand(const StringC& self, const StringC& text, int depth) {
  ExpansionC x;
  StringC out = ExpandLevel(self, text, depth, x);
  if (x.Stopped()) {
    env_ReportExpandLimit(self, x.stoppedAt, x.limit, x.repeated);
  } else {
    env_FlushExpandReports();
  }
  return out;
}

std::string_view EnvPreferencesC::ExpandName(const StringC& name, int depth, ExpansionC& x, StringC& storage) {
  const env_ParameterC* p = env_->Find(name);
  if (p == nullptr) {
    if (emptyIfNotExist_ != 0) return {};
    storage = "$(" + name + ")";
    return storage;
  }
  if (depth <= 0) return {};
  // Most values refer to nothing: they stand in as they are, without a copy.
  if (p->Value().find(c_RefOpen) == StringC::npos) return p->Value();
  storage = ExpandLevel(name, p->Value(), depth, x);
  return storage;
}

StringC EnvPreferencesC::ExpandLevel(std::string_view self, std::string_view text, int depth, ExpansionC& x) {
  StringC out;
  PendingTextC pending(text);
  std::vector<InsertionT> insertions;
  StringC name, storage;
  while (true) {
    const size_t open = pending.FindOpen();
    if (open == c_Npos) break;
    const size_t close = pending.FindClose(open + c_RefOpen.size());
    if (close == c_Npos) break;
    pending.Take(open, &out);
    const size_t length = close - open + 1;  // the reference is now at offset 0
    name.clear();
    pending.CopyTo(c_RefOpen.size(), length - 1, name);
    if (hx::EqualsNoCase(name, self)) {
      pending.Take(1, &out);
      continue;
    }
    if (Repeats(name, length, pending.FrontSize(), insertions)) {
      x.limit = env_ExpandLimitE::Repeats;
      x.repeated = name;
    } else if (++x.references > c_MaxExpandedReferences) {
      x.limit = env_ExpandLimitE::References;
    }
    std::string_view replacement;
    if (!x.Stopped()) replacement = ExpandName(name, depth - 1, x, storage);
    if (!x.Stopped() && out.size() + pending.Size() - length + replacement.size() > c_MaxExpandedLength)
      x.limit = env_ExpandLimitE::Length;
    if (x.Stopped()) {
      x.stoppedAt = name;
      break;
    }
    pending.Take(length, nullptr);
    if (replacement.empty()) {
      if (pending.Size() == 0) return out;
      pending.Take(1, &out);
    } else if (replacement.find(c_Dollar) == c_Npos) {
      out.append(replacement);
    } else {
      insertions.push_back({name, pending.FrontSize()});
      pending.PutInFront(replacement);
      pending.Take(1, &out);
    }
  }
  pending.Take(pending.Size(), &out);
  return out;
}
