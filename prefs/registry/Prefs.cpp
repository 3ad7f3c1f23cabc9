#include "prefs/registry/Prefs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"
#include "foundation/files/Trust.h"
#include "foundation/messages/TrustRefusal.h"

namespace {

constexpr char kComment = ';';
constexpr char kSectionOpen = '[';
constexpr char kSectionClose = ']';
constexpr char kAssign = '=';
constexpr char kKeySeparator = '\\';
constexpr mode_t c_NewFileMode = 0644;  // before the process's file-creation mask

// Only a newline ends a line; a carriage return inside a line is kept like any other byte.
bool HasLineBreak(std::string_view s) { return s.find('\n') != std::string_view::npos; }

// What the file will read back for a value: a newline would split the line, and the ends are
// trimmed on reading.
StringC StorableValue(std::string_view value) {
  StringC v(value);
  std::replace(v.begin(), v.end(), '\n', ' ');
  return hx::Trim(v);
}

// The file a path stands for: a configuration file reached through a symbolic link is
// replaced where it lives, and the link stays.
StringC ResolveLink(const StringC& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  StringC resolved(real);
  std::free(real);
  return resolved;
}

// Writes `text` to `tmp` with the permissions and owner of `target` (when it exists) and
// renames it over `target`. The fixed name `tmp` is made anew and exclusively each time.
HX_NODISCARD hx::ResultT ReplaceFile(const StringC& target, const StringC& tmp, std::string_view text) {
  hx::AtomicFileC file;
  hx::ResultT rc = file.OpenFixed(target, tmp, c_NewFileMode);
  if (hx::Succeeded(rc)) rc = file.Write(text);
  if (hx::Failed(rc)) return rc;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    // Attributes are the old file's; only root may give the file away, anyone else keeps
    // their own ownership, so both are best effort.
    HX_IGNORE_RESULT(::fchmod(file.fd(), st.st_mode & 07777));
    HX_IGNORE_RESULT(::fchown(file.fd(), st.st_uid, st.st_gid));
  }
  return file.Commit();
}

}  // namespace

// --- SectionC

const PrefsC::EntryT* PrefsC::SectionC::find(std::string_view name) const {
  auto it = index_.find(StringC(name));
  return it == index_.end() ? nullptr : &entries_[it->second];
}

void PrefsC::SectionC::set(const StringC& name, const StringC& value) {
  auto it = index_.find(name);
  if (it != index_.end()) {
    entries_[it->second].value = value;
    return;
  }
  index_.emplace(name, entries_.size());
  entries_.push_back({name, value});
}

bool PrefsC::SectionC::remove(std::string_view name) {
  auto it = index_.find(StringC(name));
  if (it == index_.end()) return false;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(it->second));
  index_.clear();
  for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].name, i);
  return true;
}

// --- Reading and writing

void PrefsC::parseLine(std::string_view raw, size_t& current) {
  std::string_view line = hx::TrimView(raw);
  if (line.empty() || line.front() == kComment) return;
  if (line.front() == kSectionOpen) {
    const size_t close = line.find(kSectionClose);
    if (close == std::string_view::npos) return;
    std::string_view name = hx::TrimView(line.substr(1, close - 1));
    if (name.empty()) return;
    section(StringC(name));
    current = sectionIndex_.find(StringC(name))->second;
    return;
  }
  const size_t eq = line.find(kAssign);
  if (eq == std::string_view::npos) return;
  std::string_view name = hx::TrimView(line.substr(0, eq));
  if (name.empty()) return;
  if (current == SIZE_MAX) {
    section(StringC());
    current = sectionIndex_.find(StringC())->second;
  }
  sections_[current].set(StringC(name), StringC(hx::TrimView(line.substr(eq + 1))));
}

void PrefsC::Parse(std::string_view text) {
  sections_.clear();
  sectionIndex_.clear();
  size_t current = SIZE_MAX;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    parseLine(text.substr(0, nl), current);
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  reapply();
}

StringC PrefsC::Text() const {
  StringC out;
  auto writeEntries = [&out](const SectionC& s) {
    for (const EntryT& e : s.entries()) {
      out += e.name;
      out += kAssign;
      out += e.value;
      out += '\n';
    }
  };
  // Values of the unnamed section must come before the first section header.
  if (const SectionC* unnamed = FindSection("")) writeEntries(*unnamed);
  for (const SectionC& s : sections_) {
    if (s.name().empty()) continue;
    if (!out.empty()) out += '\n';
    out += kSectionOpen;
    out += s.name();
    out += kSectionClose;
    out += '\n';
    writeEntries(s);
  }
  return out;
}

hx::ResultT PrefsC::Load(const StringC& path) {
  StringC data;
  hx::UniqueFdC fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  hx::ResultT rc = fd.valid() ? hx::ReadAll(fd.get(), &data) : hx::RcFromErrno(errno);
  if (hx::Failed(rc) && hx::ErrnoFromRc(rc) != ENOENT) return rc;
  Parse(data);
  return rc;
}

hx::ResultT PrefsC::Save(const StringC& path) {
  const StringC target = ResolveLink(path);
  const StringC dir = FileNameC(target).directory();
  if (!dir.empty()) {
    // The directory of a configuration file may have to be made (a new data directory); it
    // must then be one that nobody else can change.
    hx::TrustFailureT failure;
    const hx::ResultT rc = hx::EnsureTrustedDirectory(dir, &failure);
    if (rc == hx::RC_UNTRUSTED) hx::ReportRefusal(failure);
    if (hx::Failed(rc)) return rc;
  }
  StringC disk;
  hx::UniqueFdC fd(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
  hx::ResultT rc = fd.valid() ? hx::ReadAll(fd.get(), &disk) : hx::RcFromErrno(errno);
  if (hx::Failed(rc) && hx::ErrnoFromRc(rc) != ENOENT) return rc;
  fd.reset();

  rc = ReplaceFile(target, path + ".tmp", Edited(disk));
  if (hx::Failed(rc)) return rc;
  changes_.erase(std::remove_if(changes_.begin(), changes_.end(), [](const ChangeT& c) { return c.persistent; }),
                 changes_.end());
  return hx::RC_OK;
}

// --- Editing a file's lines

namespace {

// One line of a file as the reader sees it.
struct LineT {
  StringC text;      // without its line feed
  bool header = false;
  bool entry = false;
  StringC section;   // the section it belongs to (a header: the one it starts)
  StringC name;      // an entry's name
};

std::vector<LineT> SplitFileLines(std::string_view text) {
  std::vector<LineT> lines;
  StringC current;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    LineT line;
    line.text = StringC(text.substr(0, nl));
    const std::string_view t = hx::TrimView(line.text);
    if (!t.empty() && t.front() == kSectionOpen) {
      const size_t close = t.find(kSectionClose);
      const std::string_view name = close == std::string_view::npos ? std::string_view() : hx::TrimView(t.substr(1, close - 1));
      if (!name.empty()) {
        line.header = true;
        current = StringC(name);
      }
    } else if (!t.empty() && t.front() != kComment && t.find(kAssign) != std::string_view::npos &&
               !hx::TrimView(t.substr(0, t.find(kAssign))).empty()) {
      line.entry = true;
      line.name = StringC(hx::TrimView(t.substr(0, t.find(kAssign))));
    }
    line.section = current;
    lines.push_back(std::move(line));
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return lines;
}

bool InSection(const LineT& line, const StringC& section) { return hx::EqualsNoCase(line.section, section); }

}  // namespace

StringC PrefsC::Edited(std::string_view text) const {
  std::vector<LineT> lines = SplitFileLines(text);
  const auto entryOf = [](const StringC& section, const StringC& name, const StringC& value) {
    LineT line;
    line.text = name + kAssign + value;
    line.entry = true;
    line.section = section;
    line.name = name;
    return line;
  };
  for (const ChangeT& c : changes_) {
    if (!c.persistent) continue;
    const auto isValue = [&c](const LineT& l) {
      return l.entry && InSection(l, c.section) && hx::EqualsNoCase(l.name, c.name);
    };
    if (c.op == OpE::Set) {
      const auto given = std::find_if(lines.rbegin(), lines.rend(), isValue);
      if (given != lines.rend()) {
        // What the line had before its value (the name as written, blanks around "=") stays.
        const size_t value = given->text.find_first_not_of(" \t", given->text.find(kAssign) + 1);
        given->text = given->text.substr(0, value == StringC::npos ? given->text.size() : value) + c.value;
        continue;
      }
      // After the section's last value or header; the unnamed section's values go before the
      // first header; a new section at the end.
      auto at = std::find_if(lines.rbegin(), lines.rend(), [&c](const LineT& l) {
        return (l.entry || l.header) && InSection(l, c.section);
      });
      if (at != lines.rend()) {
        lines.insert(at.base(), entryOf(c.section, c.name, c.value));
      } else if (c.section.empty()) {
        const auto first = std::find_if(lines.begin(), lines.end(), [](const LineT& l) { return l.header; });
        lines.insert(first, entryOf(c.section, c.name, c.value));
      } else {
        LineT header;
        header.text = kSectionOpen + c.section + kSectionClose;
        header.header = true;
        header.section = c.section;
        if (!lines.empty() && !hx::TrimView(lines.back().text).empty()) lines.push_back(LineT());
        lines.push_back(header);
        lines.push_back(entryOf(c.section, c.name, c.value));
      }
    } else if (c.op == OpE::Remove) {
      lines.erase(std::remove_if(lines.begin(), lines.end(), isValue), lines.end());
    } else if (c.op == OpE::AddSection) {
      if (c.section.empty() || std::any_of(lines.begin(), lines.end(), [&c](const LineT& l) {
            return l.header && InSection(l, c.section);
          }))
        continue;
      if (!lines.empty() && !hx::TrimView(lines.back().text).empty()) lines.push_back(LineT());
      LineT header;
      header.text = kSectionOpen + c.section + kSectionClose;
      header.header = true;
      header.section = c.section;
      lines.push_back(header);
    } else {
      const StringC below = c.section + kKeySeparator;
      const bool tree = c.op == OpE::RemoveTree;
      lines.erase(std::remove_if(lines.begin(), lines.end(),
                                 [&](const LineT& l) {
                                   return !l.section.empty() && (hx::EqualsNoCase(l.section, c.section) ||
                                                                 (tree && hx::StartsWithNoCase(l.section, below)));
                                 }),
                  lines.end());
    }
  }
  StringC out;
  for (size_t i = 0; i < lines.size(); ++i) {
    out += lines[i].text;
    if (i + 1 < lines.size() || (!text.empty() && text.back() == '\n') || text.empty()) out += '\n';
  }
  return out;
}

// --- Lookup

const PrefsC::SectionC* PrefsC::FindSection(std::string_view name) const {
  auto it = sectionIndex_.find(StringC(name));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

bool PrefsC::HasSectionBelow(std::string_view path) const {
  const StringC prefix = StringC(path) + kKeySeparator;
  return std::any_of(sections_.begin(), sections_.end(),
                     [&prefix](const SectionC& s) { return hx::StartsWithNoCase(s.name(), prefix); });
}

const PrefsC::EntryT* PrefsC::Find(std::string_view section, std::string_view name) const {
  const SectionC* s = FindSection(section);
  return s ? s->find(name) : nullptr;
}

bool PrefsC::IsStorableName(std::string_view name) {
  std::string_view n = hx::TrimView(name);
  return !n.empty() && n.find(kAssign) == std::string_view::npos && !HasLineBreak(n) && n.front() != kComment &&
         n.front() != kSectionOpen;
}

bool PrefsC::IsStorableSection(std::string_view name) {
  std::string_view n = hx::TrimView(name);
  return !n.empty() && n.find(kSectionClose) == std::string_view::npos && !HasLineBreak(n);
}

// --- Changes

PrefsC::SectionC& PrefsC::section(const StringC& name) {
  auto it = sectionIndex_.find(name);
  if (it != sectionIndex_.end()) return sections_[it->second];
  sectionIndex_.emplace(name, sections_.size());
  sections_.emplace_back(name);
  return sections_.back();
}

void PrefsC::reindex() {
  sectionIndex_.clear();
  for (size_t i = 0; i < sections_.size(); ++i) sectionIndex_.emplace(sections_[i].name(), i);
}

bool PrefsC::apply(const ChangeT& c) {
  switch (c.op) {
    case OpE::Set:
      section(c.section).set(c.name, c.value);
      return true;
    case OpE::AddSection:
      section(c.section);
      return true;
    case OpE::Remove: {
      auto it = sectionIndex_.find(c.section);
      return it != sectionIndex_.end() && sections_[it->second].remove(c.name);
    }
    case OpE::RemoveSection:
    case OpE::RemoveTree: {
      const StringC below = c.section + kKeySeparator;
      const bool tree = c.op == OpE::RemoveTree;
      const size_t before = sections_.size();
      sections_.erase(std::remove_if(sections_.begin(), sections_.end(),
                                     [&](const SectionC& s) {
                                       return hx::EqualsNoCase(s.name(), c.section) ||
                                              (tree && hx::StartsWithNoCase(s.name(), below));
                                     }),
                      sections_.end());
      reindex();
      return sections_.size() != before;
    }
  }
  return false;
}

void PrefsC::record(ChangeT change) {
  // A later setting of the same value makes an earlier one pointless; dropping it keeps the
  // record short while write-through is off. A process-only value gives way to a later change
  // of either kind, but a change still to be saved never gives way to a process-only one.
  if (change.op == OpE::Set || change.op == OpE::Remove) {
    changes_.erase(std::remove_if(changes_.begin(), changes_.end(),
                                  [&](const ChangeT& c) {
                                    return (c.op == OpE::Set || c.op == OpE::Remove) &&
                                           (!c.persistent || change.persistent) &&
                                           hx::EqualsNoCase(c.section, change.section) &&
                                           hx::EqualsNoCase(c.name, change.name);
                                  }),
                   changes_.end());
  }
  changes_.push_back(std::move(change));
}

void PrefsC::reapply() {
  for (const ChangeT& c : changes_) apply(c);
}

bool PrefsC::Set(const StringC& sec, const StringC& name, const StringC& value) {
  if (!IsStorableName(name)) return false;
  ChangeT c{OpE::Set, hx::Trim(sec), hx::Trim(name), StorableValue(value), true};
  apply(c);
  record(std::move(c));
  return true;
}

bool PrefsC::SetVolatile(const StringC& sec, const StringC& name, const StringC& value) {
  if (!IsStorableName(name)) return false;
  ChangeT c{OpE::Set, hx::Trim(sec), hx::Trim(name), StorableValue(value), false};
  apply(c);
  record(std::move(c));
  return true;
}

void PrefsC::AddSection(const StringC& sec) {
  ChangeT c{OpE::AddSection, hx::Trim(sec), {}, {}, true};
  apply(c);
  record(std::move(c));
}

bool PrefsC::Remove(const StringC& sec, const StringC& name) {
  ChangeT c{OpE::Remove, hx::Trim(sec), hx::Trim(name), {}, true};
  const bool removed = apply(c);
  record(std::move(c));
  return removed;
}

bool PrefsC::RemoveSection(const StringC& sec, bool recursive) {
  ChangeT c{recursive ? OpE::RemoveTree : OpE::RemoveSection, hx::Trim(sec), {}, {}, true};
  const bool removed = apply(c);
  record(std::move(c));
  return removed;
}

bool PrefsC::HasChanges() const {
  return std::any_of(changes_.begin(), changes_.end(), [](const ChangeT& c) { return c.persistent; });
}
