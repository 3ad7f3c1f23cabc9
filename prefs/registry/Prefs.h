#pragma once
// PrefsC: the content of one INI file, as ordered sections of ordered name/value pairs.
//
// Reading (Parse/Load) is forgiving, since the files are edited by hand and by other agent
// components: a line is trimmed of white space; empty lines, ';' comments, "[" lines without
// "]" or with an empty name, "=value" lines and anything else it cannot read are skipped, and
// the rest is kept, whatever bytes it holds. "[name]" starts a section (a section named twice
// continues the first), "name=value" splits at the first "=", lines before any section belong
// to the unnamed section (""). Section and value names compare without regard to case, as
// registry keys and value names do; a name given twice in a section keeps its first place and
// takes the later value.
//
// Changes made through Set/Remove/AddSection/RemoveSection are recorded. Save writes the file
// as it is on disk at that moment with the recorded changes applied, so that values another
// process wrote since our last read survive and ours win where both changed the same value.
// The changes are applied to the file's lines, not to a rewritten copy: the administrator's
// comments, blank lines and order stay, and only the lines of the changed values change.
// Load re-applies the changes not saved yet, so a reload never loses them. Changes made with
// SetVolatile are re-applied on every load but never saved.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"

class PrefsC {
 public:
  struct EntryT {
    StringC name;
    StringC value;
  };
  class SectionC {
   public:
    explicit SectionC(StringC name) : name_(std::move(name)) {}
    const StringC& name() const { return name_; }
    const std::vector<EntryT>& entries() const { return entries_; }
    const EntryT* find(std::string_view name) const;
    void set(const StringC& name, const StringC& value);
    bool remove(std::string_view name);

   private:
    StringC name_;
    std::vector<EntryT> entries_;
    std::unordered_map<StringC, size_t, hx::NoCaseHash, hx::NoCaseEqual> index_;
  };

  // Replaces the content by the text's, then re-applies the recorded changes.
  void Parse(std::string_view text);
  // The text form: the unnamed section's values first, then every section in order.
  StringC Text() const;
  // Parse of the file's bytes. A missing file gives empty content and the ENOENT result; other
  // read failures leave the content alone and return their result.
  HX_NODISCARD hx::ResultT Load(const StringC& path);
  // Writes path + ".tmp" with the file's current disk content merged with the recorded
  // changes, gives it the file's permissions and owner, renames it over the file and forgets
  // the recorded changes. The caller holds the file's lock. Returns 0 or the failing
  // error-number result; nothing changes in memory on failure.
  HX_NODISCARD hx::ResultT Save(const StringC& path);

  // `text` (a file's content) with the recorded changes that are saved applied line by line:
  // a value set changes the line that gives it (the last, when it is given twice) or is added
  // after its section's last value; removals take their lines out. What Parse reads from the
  // result is what applying the changes in memory gives.
  StringC Edited(std::string_view text) const;

  const std::vector<SectionC>& Sections() const { return sections_; }
  const SectionC* FindSection(std::string_view name) const;
  // Whether some section's name starts with `path` + "\" (path names an intermediate key).
  bool HasSectionBelow(std::string_view path) const;
  const EntryT* Find(std::string_view section, std::string_view name) const;

  // Whether a name can be stored so that the file reads it back: not empty after trimming,
  // no "=", no newline, not starting with ";" or "[".
  static bool IsStorableName(std::string_view name);
  // Whether a section name can be stored: not empty after trimming, no "]", no newline.
  static bool IsStorableSection(std::string_view name);

  // Changes. Names and values are trimmed and newlines in values become spaces, so that
  // memory holds what the file will read back. Names must be storable.
  // Set and SetVolatile return false (and change nothing) for a name that is not storable.
  HX_NODISCARD bool Set(const StringC& section, const StringC& name, const StringC& value);
  HX_NODISCARD bool SetVolatile(const StringC& section, const StringC& name, const StringC& value);
  void AddSection(const StringC& section);
  bool Remove(const StringC& section, const StringC& name);
  // Removes the section and, when recursive, every section whose name continues it with "\".
  // True when something was removed.
  bool RemoveSection(const StringC& section, bool recursive);
  bool HasChanges() const;

 private:
  enum class OpE { Set, AddSection, Remove, RemoveSection, RemoveTree };
  struct ChangeT {
    OpE op;
    StringC section, name, value;
    bool persistent;
  };

  SectionC& section(const StringC& name);
  bool apply(const ChangeT& change);
  void record(ChangeT change);
  void reapply();
  void parseLine(std::string_view line, size_t& current);
  void reindex();

  std::vector<SectionC> sections_;
  std::unordered_map<StringC, size_t, hx::NoCaseHash, hx::NoCaseEqual> sectionIndex_;
  std::vector<ChangeT> changes_;
};
