#include "inventory/TrkInventoryEntity.h"

#include <algorithm>
#include <unordered_set>

#include "foundation/com/ZORString.h"
#include "inventory/TrkVocabulary.h"
#include "inventory/XmlCharRule.h"
#include "inventory/XmlOutputStream.h"

namespace {

const StringC s_Empty;

StringC FromSys8(const char* text) { return text ? hx::Sys8ToUtf8(text) : StringC(); }

// A copy for a `char**` out argument; the caller frees it.
char* ToSys8Copy(const StringC& text) { return ZORStringTC(text, false).Detach(); }

TrkInventoryEntityC* FromInterface(ZORHXTInventoryEntityI* entity) {
  return dynamic_cast<TrkInventoryEntityC*>(entity);
}

}  // namespace

TrkInventoryEntityC::TrkInventoryEntityC(const StringC& tag) : tag_(&trk::PooledName(trk::SanitizeXmlValue(tag))) {}

const StringC& TrkInventoryEntityC::GetText() const {
  static const StringC s_none;
  return text_ ? *text_ : s_none;
}

TrkInventoryEntityC::~TrkInventoryEntityC() {
  while (TrkInventoryEntityC* child = first_) {
    Unlink(child);
    child->Release();
  }
}

RefM<TrkInventoryEntityC> TrkInventoryEntityC::New(const StringC& tag) { return RefM<TrkInventoryEntityC>(new TrkInventoryEntityC(tag)); }

// ---- attributes -----------------------------------------------------------------------------

hx::ResultT TrkInventoryEntityC::get_Item(const StringC& name, StringC* value) const {
  if (value == nullptr) return hx::RC_INVALID_ARG;
  *value = GetAttribute(name);
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::Add(const StringC& name, const StringC& value) {
  return Add(std::string_view(name), std::string_view(value));
}

hx::ResultT TrkInventoryEntityC::Add(std::string_view name, std::string_view value) {
  if (name.empty()) return hx::RC_FAIL;
  // A name is the trackers' own word: plain as it is, it goes to the pool without a copy.
  if (trk::IsPrintableAscii(name)) attrs_.Set(name, trk::SanitizeXmlValue(value));
  else attrs_.Set(trk::SanitizeXmlValue(name), trk::SanitizeXmlValue(value));
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::AddParsed(std::string_view name, std::string_view value) {
  if (name.empty()) return hx::RC_FAIL;
  const bool plain = std::none_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
  attrs_.Set(name, plain ? StringC(value) : trk::SanitizeXmlValue(value));
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::AttributeExists(const StringC& name, bool* exists) const {
  if (exists == nullptr) return hx::RC_INVALID_ARG;
  *exists = attrs_.Find(name) != nullptr;
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::Remove(const StringC& name) {
  if (name.empty()) return hx::RC_FAIL;
  return attrs_.Remove(name);
}

const StringC& TrkInventoryEntityC::GetAttribute(std::string_view name) const {
  const TrkAttributeC* a = attrs_.Find(name);
  return a ? a->GetValue() : s_Empty;
}

// ---- tree -----------------------------------------------------------------------------------

hx::ResultT TrkInventoryEntityC::CreateEntity(const StringC& tag, TrkInventoryEntityC** entity) {
  if (entity == nullptr) return hx::RC_INVALID_ARG;
  *entity = New(tag).detach();
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::FindEntity(const StringC& tag, TrkInventoryEntityC* after, TrkInventoryEntityC** found) {
  return FindEntity(tag, StringC(), StringC(), after, found);
}

hx::ResultT TrkInventoryEntityC::FindEntity(const StringC& tag, const StringC& attrName, const StringC& attrValue,
                                            TrkInventoryEntityC* after, TrkInventoryEntityC** found) {
  if (found == nullptr) return hx::RC_INVALID_ARG;
  *found = nullptr;
  if (after != nullptr && after->parent_ != this) return hx::RC_INVALID_ARG;
  for (TrkInventoryEntityC* c = after ? after->next_ : first_; c != nullptr; c = c->next_) {
    if (!tag.empty() && *c->tag_ != tag) continue;
    if (!attrValue.empty() && c->GetAttribute(attrName) != attrValue) continue;
    c->AddRef();
    *found = c;
    return hx::RC_OK;
  }
  return hx::RC_FAIL;
}

size_t TrkInventoryEntityC::numChildren() const {
  size_t n = 0;
  for (const TrkInventoryEntityC* c = first_; c != nullptr; c = c->next_) ++n;
  return n;
}

bool TrkInventoryEntityC::IsSelfOrAncestor(const TrkInventoryEntityC* entity) const {
  for (const TrkInventoryEntityC* e = this; e != nullptr; e = e->parent_)
    if (e == entity) return true;
  return false;
}

// Inserts right after `after`; a null `after` means after the last child.
void TrkInventoryEntityC::Link(TrkInventoryEntityC* child, TrkInventoryEntityC* after) {
  if (after == nullptr) after = last_;
  child->parent_ = this;
  child->prev_ = after;
  child->next_ = after ? after->next_ : first_;
  if (child->next_) child->next_->prev_ = child;
  else last_ = child;
  if (after) after->next_ = child;
  else first_ = child;
}

void TrkInventoryEntityC::Unlink(TrkInventoryEntityC* child) {
  if (child->prev_) child->prev_->next_ = child->next_;
  else first_ = child->next_;
  if (child->next_) child->next_->prev_ = child->prev_;
  else last_ = child->prev_;
  child->parent_ = child->prev_ = child->next_ = nullptr;
}

hx::ResultT TrkInventoryEntityC::AddEntity(TrkInventoryEntityC* child, TrkInventoryEntityC* after) {
  if (child == nullptr || child->parent_ != nullptr || IsSelfOrAncestor(child)) return hx::RC_INVALID_ARG;
  if (after != nullptr && after->parent_ != this) return hx::RC_INVALID_ARG;
  child->AddRef();
  Link(child, after);
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::RemoveEntity(TrkInventoryEntityC* child) {
  if (child == nullptr) return hx::RC_INVALID_ARG;
  if (child->parent_ != this) return hx::RC_FAIL;
  Unlink(child);
  child->Release();
  return hx::RC_OK;
}

RefM<TrkInventoryEntityC> TrkInventoryEntityC::TakeEntity(TrkInventoryEntityC* child) {
  if (child == nullptr || child->parent_ != this) return RefM<TrkInventoryEntityC>();
  Unlink(child);
  return RefM<TrkInventoryEntityC>::Adopt(child);
}

hx::ResultT TrkInventoryEntityC::AdoptEntity(RefM<TrkInventoryEntityC>& child) {
  if (!child || child->parent_ != nullptr || IsSelfOrAncestor(child.get())) return hx::RC_INVALID_ARG;
  Link(child.detach(), nullptr);
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::GetType(StringC* tag) const {
  if (tag == nullptr) return hx::RC_INVALID_ARG;
  *tag = *tag_;
  return hx::RC_OK;
}

RefM<TrkInventoryEntityC> TrkInventoryEntityC::Clone() const {
  RefM<TrkInventoryEntityC> copy = New(*tag_);
  copy->attrs_ = attrs_;
  for (const TrkInventoryEntityC* c = first_; c != nullptr; c = c->next_) {
    RefM<TrkInventoryEntityC> child = c->Clone();
    copy->Link(child.get(), nullptr);
    child.detach();  // the link owns it now
  }
  return copy;
}

hx::ResultT TrkInventoryEntityC::ExtractEntities(const StringC& tag, const StringC& keyAttribute, TrkInventoryEntityC* source) {
  if (source == nullptr || source == this) return hx::RC_INVALID_ARG;
  const StringC ownEvidence = GetAttribute(TrkVocabularyC::c_Evidence);
  const StringC sourceEvidence = source->GetAttribute(TrkVocabularyC::c_Evidence);

  // The keys present here, kept up to date as children arrive, so that the merge stays linear.
  std::unordered_set<StringC> keys;
  for (const TrkInventoryEntityC* c = first_; c != nullptr; c = c->next_)
    if (*c->tag_ == tag) keys.insert(c->GetAttribute(keyAttribute));

  TrkInventoryEntityC* next = nullptr;
  for (TrkInventoryEntityC* c = source->first_; c != nullptr; c = next) {
    next = c->next_;
    if (*c->tag_ != tag) continue;
    RefM<TrkInventoryEntityC> taken(c);
    HX_IGNORE_RESULT(source->RemoveEntity(c));  // a child of source: it cannot be refused
    if (!keys.insert(taken->GetAttribute(keyAttribute)).second) continue;  // dropped
    if (taken->GetAttribute(TrkVocabularyC::c_Evidence).empty() && ownEvidence != sourceEvidence)
      HX_IGNORE_RESULT(taken->Add(TrkVocabularyC::c_Evidence, sourceEvidence));  // a fixed name
    HX_IGNORE_RESULT(AddEntity(taken.get()));  // taken from source just above: it has no parent now
  }
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::AddProperty(const StringC& name, const StringC& value) {
  if (name.empty()) return hx::RC_FAIL;
  RefM<TrkInventoryEntityC> property = New(TrkVocabularyC::c_Property);
  // Fixed attribute names: Add fails only for an empty one.
  HX_IGNORE_RESULT(property->Add(TrkVocabularyC::c_Name, name));
  HX_IGNORE_RESULT(property->Add(TrkVocabularyC::c_Value, value));
  return AddEntity(property.get());
}

hx::ResultT TrkInventoryEntityC::AddProperty(const StringC& name, const StringC& value, const StringC& evidence,
                                             bool allowEmpty) {
  if (name.empty() || (value.empty() && !allowEmpty)) return hx::RC_FAIL;
  RefM<TrkInventoryEntityC> property = New(TrkVocabularyC::c_Property);
  // Fixed attribute names: Add fails only for an empty one.
  HX_IGNORE_RESULT(property->Add(TrkVocabularyC::c_Name, name));
  HX_IGNORE_RESULT(property->Add(TrkVocabularyC::c_Value, value));
  if (!evidence.empty()) HX_IGNORE_RESULT(property->Add(TrkVocabularyC::c_Evidence, evidence));
  return AddEntity(property.get());
}

// ---- XML node face --------------------------------------------------------------------------

hx::ResultT TrkInventoryEntityC::addChild(XmlNodeI* child) {
  auto* node = dynamic_cast<TrkXmlParentI*>(child);
  if (node == nullptr) return hx::RC_INVALID_ARG;
  return AddEntity(node->GetEntity());
}

hx::ResultT TrkInventoryEntityC::addText(const StringC& text) {
  if (!text_) text_ = std::make_unique<StringC>();
  *text_ += text;
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::saveTo(XmlOutputStreamC* stream) {
  if (stream == nullptr) return hx::RC_INVALID_ARG;
  for (const TrkAttributeC& a : attrs_) {
    const hx::ResultT rc = stream->saveAttr(a.GetName(), a.GetValue());
    if (hx::Failed(rc)) return rc;
  }
  if (text_ && !text_->empty()) stream->saveText(*text_);
  for (TrkInventoryEntityC* c = first_; c != nullptr; c = c->next_)
    if (hx::Failed(stream->saveObject(static_cast<TrkXmlParentI*>(c)))) break;
  return stream->getError();
}

// ---- component face -------------------------------------------------------------------------

hx::ResultT TrkInventoryEntityC::get_Item(char* name, char** value) {
  if (value == nullptr) return hx::RC_INVALID_ARG;
  *value = ToSys8Copy(GetAttribute(FromSys8(name)));
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::get__NewEnum(ZORUnknownI** enumerator) {
  if (enumerator == nullptr) return hx::RC_INVALID_ARG;
  *enumerator = nullptr;
  return hx::RC_NOT_IMPL;
}

hx::ResultT TrkInventoryEntityC::get_Count(long* count) {
  if (count == nullptr) return hx::RC_INVALID_ARG;
  *count = static_cast<long>(attrs_.size());
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::Add(char* name, char* value) { return Add(FromSys8(name), FromSys8(value)); }

hx::ResultT TrkInventoryEntityC::AttributeExists(char* name, bool* exists) {
  return AttributeExists(FromSys8(name), exists);
}

hx::ResultT TrkInventoryEntityC::CreateEntity(char* tag, ZORHXTInventoryEntityI** entity) {
  if (entity == nullptr) return hx::RC_INVALID_ARG;
  *entity = New(FromSys8(tag)).detach();
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::FindEntity(char* tag, ZORHXTInventoryEntityI* after, ZORHXTInventoryEntityI** found) {
  if (found == nullptr) return hx::RC_INVALID_ARG;
  *found = nullptr;
  TrkInventoryEntityC* afterEntity = nullptr;
  if (after != nullptr && (afterEntity = FromInterface(after)) == nullptr) return hx::RC_INVALID_ARG;
  TrkInventoryEntityC* entity = nullptr;
  const hx::ResultT rc = FindEntity(FromSys8(tag), afterEntity, &entity);
  *found = entity;
  return rc;
}

hx::ResultT TrkInventoryEntityC::AddEntity(ZORHXTInventoryEntityI* child) { return AddEntity(FromInterface(child)); }

hx::ResultT TrkInventoryEntityC::RemoveEntity(ZORHXTInventoryEntityI* child) {
  return RemoveEntity(FromInterface(child));
}

hx::ResultT TrkInventoryEntityC::GetEntityCount(long* count) {
  if (count == nullptr) return hx::RC_INVALID_ARG;
  *count = static_cast<long>(numChildren());
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::GetType(char** tag) {
  if (tag == nullptr) return hx::RC_INVALID_ARG;
  *tag = ToSys8Copy(*tag_);
  return hx::RC_OK;
}
