#pragma once
// TrkInventoryEntityC: one element of the inventory tree: a tag, an ordered attribute list,
// optional text and an ordered list of child entities. Hardware classes, packages, files and
// properties are all entities, told apart only by tag and attributes.
//
// An entity is a counted object with three faces that share one count: the component interface
// ZORHXTInventoryEntityI for plug-ins, the XML node face through which the writer and reader
// see it, and the StringC operations the trackers use. It starts with a count of 0; its creator
// takes the first reference and a parent holds one reference on each child. Children are kept
// in an intrusive doubly linked list, so that inserting after a given child, removing one and
// continuing a search after one cost nothing however long the list grows.
//
// Tags, attribute names and values follow the character rule (XmlCharRule.h) when they are set.

#include <memory>
#include <string_view>

#include "foundation/com/ComObject.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/RefCount.h"
#include "inventory/TrkAttributeMap.h"
#include "inventory/XmlNode.h"
#include "inventory/ZORHXTInventory.h"

class MD5C;
struct TrkDigestKeyT;

class TrkInventoryEntityC : public ComObjectM<ZORHXTInventoryEntityI, IID_ZORHXTInventoryEntity>,
                            public TrkXmlParentI {
  using ComBaseT = ComObjectM<ZORHXTInventoryEntityI, IID_ZORHXTInventoryEntity>;

 public:
  explicit TrkInventoryEntityC(const StringC& tag);

  // A new, unattached entity with its creation reference held by the result.
  static RefM<TrkInventoryEntityC> New(const StringC& tag);

  // One count for every face.
  unsigned long AddRef() override { return ComBaseT::AddRef(); }
  unsigned long Release() override { return ComBaseT::Release(); }

  // ZORHXTInventoryEntityI (system 8-bit texts; see ZORHXTInventory.h).
  hx::ResultT get_Item(char* name, char** value) override;
  hx::ResultT get__NewEnum(ZORUnknownI** enumerator) override;
  hx::ResultT get_Count(long* count) override;
  hx::ResultT Add(char* name, char* value) override;
  hx::ResultT AttributeExists(char* name, bool* exists) override;
  hx::ResultT CreateEntity(char* tag, ZORHXTInventoryEntityI** entity) override;
  hx::ResultT FindEntity(char* tag, ZORHXTInventoryEntityI* after, ZORHXTInventoryEntityI** found) override;
  hx::ResultT AddEntity(ZORHXTInventoryEntityI* child) override;
  hx::ResultT RemoveEntity(ZORHXTInventoryEntityI* child) override;
  hx::ResultT GetEntityCount(long* count) override;
  hx::ResultT GetType(char** tag) override;

  // The XML node face.
  const StringC& getTag() const override { return *tag_; }
  HX_NODISCARD hx::ResultT setAttr(const StringC& name, const StringC& value) override { return Add(name, value); }
  HX_NODISCARD hx::ResultT addChild(XmlNodeI* child) override;
  // Appends to the text as it is; the writer makes any text well-formed when it writes it.
  HX_NODISCARD hx::ResultT addText(const StringC& text) override;
  HX_NODISCARD hx::ResultT saveTo(XmlOutputStreamC* stream) override;
  // Counted along the list: nothing that runs per entity asks for it, and a count kept in every
  // entity would make each of the hundreds of thousands of a file scan a size class larger.
  size_t numChildren() const override;
  TrkInventoryEntityC* GetEntity() override { return this; }

  // Attributes. Results: RC_OK, RC_INVALID_ARG for a null out pointer, RC_FAIL for a missing
  // attribute or an empty name.
  // The value, or "" with RC_OK when there is no such attribute.
  HX_NODISCARD hx::ResultT get_Item(const StringC& name, StringC* value) const;
  // Sets the attribute: replaces the value in place, or appends a new attribute.
  HX_NODISCARD hx::ResultT Add(const StringC& name, const StringC& value);
  HX_NODISCARD hx::ResultT AttributeExists(const StringC& name, bool* exists) const;
  // Program text given as literals: without these, a literal would pick the component face's
  // `char*` form (system 8-bit text) through the old literal-to-char* conversion.
  HX_NODISCARD hx::ResultT Add(const char* name, const char* value) { return Add(StringC(name ? name : ""), StringC(value ? value : "")); }
  // The same from texts that are not strings yet (the reader's): copied once, by the rule.
  HX_NODISCARD hx::ResultT Add(std::string_view name, std::string_view value);
  // The same from the XML parser, which hands over names and values only as well-formed UTF-8 of
  // characters XML allows: of the rule, only tab, line feed and carriage return (from character
  // references) are left to replace.
  HX_NODISCARD hx::ResultT AddParsed(std::string_view name, std::string_view value);
  HX_NODISCARD hx::ResultT AttributeExists(const char* name, bool* exists) {
    return AttributeExists(StringC(name ? name : ""), exists);
  }
  HX_NODISCARD hx::ResultT Remove(const StringC& name);
  // The value, or "" (for readers that do not care whether it exists).
  const StringC& GetAttribute(std::string_view name) const;
  const TrkAttributeMapC& GetAttributes() const { return attrs_; }
  const StringC& GetText() const;

  // Tree.
  // A new unattached entity (this one is not involved) with one reference for the caller.
  HX_NODISCARD hx::ResultT CreateEntity(const StringC& tag, TrkInventoryEntityC** entity);
  // The first child after `after` (from the first child when null) whose tag equals `tag`
  // exactly, any child for an empty tag; with a new reference. RC_FAIL and null when none,
  // RC_INVALID_ARG when `after` is not a child of this entity.
  HX_NODISCARD hx::ResultT FindEntity(const StringC& tag, TrkInventoryEntityC* after, TrkInventoryEntityC** found);
  // The same, skipping children whose attribute attrName does not equal attrValue; an empty
  // attrValue takes the first child with the tag.
  HX_NODISCARD hx::ResultT FindEntity(const StringC& tag, const StringC& attrName, const StringC& attrValue,
                         TrkInventoryEntityC* after, TrkInventoryEntityC** found);
  // Links the child (taking a reference) last, or right after `after`. A child that already has
  // a parent, or that would become its own ancestor, is refused with RC_INVALID_ARG.
  HX_NODISCARD hx::ResultT AddEntity(TrkInventoryEntityC* child, TrkInventoryEntityC* after = nullptr);
  // Unlinks the child and drops this entity's reference; RC_FAIL when it is not a child.
  HX_NODISCARD hx::ResultT RemoveEntity(TrkInventoryEntityC* child);
  // Moving without touching the count (a count is a write to the entity, and a delta moves
  // hundreds of thousands): unlinks the child and hands this entity's reference to the caller
  // (null when it is not a child); links the child last, taking over the caller's reference
  // (AdoptEntity; on a refusal, as AddEntity's, the reference stays with the caller).
  RefM<TrkInventoryEntityC> TakeEntity(TrkInventoryEntityC* child);
  HX_NODISCARD hx::ResultT AdoptEntity(RefM<TrkInventoryEntityC>& child);
  HX_NODISCARD hx::ResultT GetType(StringC* tag) const;
  // A deep copy of tag, attributes and children; the text stays behind.
  RefM<TrkInventoryEntityC> Clone() const;
  // Moves the children with `tag` from `source` to this entity, merged by keyAttribute: a key
  // this entity already has (or that an earlier moved child brought) is dropped. A moved child
  // without evidence gets the source's "Evidence" when the two entities' evidences differ.
  HX_NODISCARD hx::ResultT ExtractEntities(const StringC& tag, const StringC& keyAttribute, TrkInventoryEntityC* source);
  // Appends a "Property" child with "Name" and "Value"; RC_FAIL for an empty name.
  HX_NODISCARD hx::ResultT AddProperty(const StringC& name, const StringC& value);
  // The same with "Evidence" when not empty; an empty value is refused unless allowEmpty.
  HX_NODISCARD hx::ResultT AddProperty(const StringC& name, const StringC& value, const StringC& evidence, bool allowEmpty);

  // Digest of tag and attributes, with the whole subtree when recurse is set: 32 lower-case
  // hexadecimal characters. Text never enters it.
  HX_NODISCARD hx::ResultT CalculateMD5(StringC* digest, bool recurse) const;
  HX_NODISCARD hx::ResultT CalculateMD5(MD5C& md5, bool recurse) const;
  // The same digest as a key; both digests of one entity in one pass (the flat digest's text is
  // where the deep one begins).
  HX_NODISCARD hx::ResultT CalculateDigestKey(TrkDigestKeyT* key, bool recurse) const;
  HX_NODISCARD hx::ResultT CalculateDigestKeys(TrkDigestKeyT* flat, TrkDigestKeyT* deep) const;

  // The list element face.
  TrkInventoryEntityC* GetParent() const { return parent_; }
  TrkInventoryEntityC* GetFirstChild() const { return first_; }
  TrkInventoryEntityC* GetLastChild() const { return last_; }
  TrkInventoryEntityC* GetNext() const { return next_; }
  TrkInventoryEntityC* GetPrev() const { return prev_; }

 protected:
  ~TrkInventoryEntityC() override;

 private:
  bool IsSelfOrAncestor(const TrkInventoryEntityC* entity) const;
  void Link(TrkInventoryEntityC* child, TrkInventoryEntityC* after);
  void Unlink(TrkInventoryEntityC* child);

  const StringC* tag_;            // pooled (TrkNamePool.h)
  std::unique_ptr<StringC> text_;  // almost every entity has none
  TrkAttributeMapC attrs_;
  TrkInventoryEntityC* parent_ = nullptr;
  TrkInventoryEntityC* first_ = nullptr;
  TrkInventoryEntityC* last_ = nullptr;
  TrkInventoryEntityC* prev_ = nullptr;
  TrkInventoryEntityC* next_ = nullptr;
};
