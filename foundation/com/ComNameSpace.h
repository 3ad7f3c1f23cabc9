#pragma once
// The class name tree of the registry. A class name may carry a name space path, "a.b:c":
// segments separated by ".", ended by ":", then the class name proper. Names without ":" (all
// of the program's own) live in the root. Every name is kept lower-cased, so lookups ignore
// case.

#include <memory>
#include <unordered_map>
#include <vector>

#include "foundation/com/ZORGuid.h"
#include "foundation/core/Text.h"

class ComClassEntryC {
 public:
  ComClassEntryC(const StringC& name, const ZORGUID& clsid) : name_(name), clsid_(clsid) {}
  const StringC& GetName() const { return name_; }
  const ZORGUID& GetCLSID() const { return clsid_; }

 private:
  StringC name_;  // lower case
  ZORGUID clsid_;
};

// One step of a name: the first segment, the text after it, and whether that segment is the
// last name space of the path. Both texts are lower-cased.
struct ComNamePartsT {
  StringC first;
  StringC rest;
  bool last = true;
};
ComNamePartsT ParseName(std::string_view text);
// The class name proper: the text after the first ":" (all of it without one), lower-cased.
StringC ComClassNameProper(std::string_view text);

class ComNameSpaceC {
 public:
  explicit ComNameSpaceC(const StringC& name, ComNameSpaceC* parent = nullptr)
      : name_(hx::ToLower(name)), parent_(parent) {}
  ComNameSpaceC(const ComNameSpaceC&) = delete;
  ComNameSpaceC& operator=(const ComNameSpaceC&) = delete;

  const StringC& GetName() const { return name_; }
  ComNameSpaceC* GetParent() const { return parent_; }
  size_t GetChildCount() const { return children_.size(); }

  // The node that the name space path of text leads to from here, or null.
  ComNameSpaceC* FindNameSpace(std::string_view text);
  // Creates the missing nodes of the name space path of text below this one.
  void CreateSubSpace(std::string_view text);

  // Entries by class name proper (already lower-cased). Put replaces an entry of that name.
  void PutEntry(const StringC& name, const ZORGUID& clsid);
  bool RemoveEntry(const StringC& name);
  const ComClassEntryC* GetEntry(const StringC& name) const;

 private:
  ComNameSpaceC* FindChild(const StringC& name) const;

  StringC name_;
  ComNameSpaceC* parent_;
  std::vector<std::unique_ptr<ComNameSpaceC>> children_;
  std::unordered_map<StringC, ComClassEntryC> entries_;
};
