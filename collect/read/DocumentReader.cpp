#include "collect/read/DocumentReader.h"

#include <memory>

#include "foundation/core/Format.h"
#include "foundation/core/RefCount.h"
#include "inventory/InventoryCodes.h"
#include "inventory/TrkInventoryDocTypeHandler.h"
#include "inventory/TrkInventoryEntity.h"
#include "inventory/XmlBinder.h"
#include "inventory/XmlOutputStream.h"

namespace hxc {

namespace {

constexpr const char* c_Sections[] = {"Remove", "Update", "Add"};
const std::string c_Root = trk::c_InventoryRootTag;

// The writer's bytes collected in memory.
class StringOutputStreamC : public XmlOutputStreamC {
 public:
  std::string Take() {
    HX_IGNORE_RESULT(finish());  // writing into memory does not fail
    return std::move(out_);
  }

 protected:
  hx::ResultT writeChunk(const char* data, size_t size) override {
    out_.append(data, size);
    return hx::RC_OK;
  }

 private:
  std::string out_;
};

// The entity written as the agent writes a child of the root: under a root start tag whose
// own bytes are dropped.
std::string EntityXml(TrkInventoryEntityC* entity) {
  StringOutputStreamC out;
  out.startObject(c_Root);
  HX_IGNORE_RESULT(out.saveObject(static_cast<XmlNodeI*>(entity)));  // into memory: no failure
  std::string text = out.Take();
  return text.erase(0, c_Root.size() + 3);  // "<Inventory>\n"
}

// A counted node without content of its own.
class PlainNodeC : public XmlNodeI {
 public:
  explicit PlainNodeC(std::string tag) : tag_(std::move(tag)) {}
  unsigned long AddRef() override { return ++refs_; }
  unsigned long Release() override {
    const unsigned long left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  const StringC& getTag() const override { return tag_; }
  hx::ResultT setAttr(const StringC&, const StringC&) override { return hx::RC_OK; }
  hx::ResultT addText(const StringC&) override { return hx::RC_OK; }
  hx::ResultT saveTo(XmlOutputStreamC*) override { return hx::RC_OK; }
  size_t numChildren() const override { return 0; }

 protected:
  virtual ~PlainNodeC() = default;

 private:
  std::string tag_;
  unsigned long refs_ = 0;
};

class ReaderStateC;

// Remove, Update or Add of a delta: every finished child is handed on at once, nothing kept.
class SectionNodeC : public PlainNodeC {
 public:
  SectionNodeC(const std::string& tag, SectionE section, ReaderStateC& state)
      : PlainNodeC(tag), section_(section), state_(state) {}
  hx::ResultT addChild(XmlNodeI* child) override;

 private:
  SectionE section_;
  ReaderStateC& state_;
};

// What the document and its nodes share: the sink, the root, counts.
class ReaderStateC {
 public:
  explicit ReaderStateC(DocumentSinkI& sink) : sink_(sink) {}
  DocumentSinkI& sink() { return sink_; }
  RootT root;
  size_t level = 0;  // of the element being started (the root is 0)

  hx::ResultT Emit(XmlNodeI* node, SectionE section) {
    auto* parent = dynamic_cast<TrkXmlParentI*>(node);
    if (parent == nullptr) return hx::RC_FAIL;
    if (++entities_ > c_MaxEntities) return hx::RC_FAIL;
    TrkInventoryEntityC* entity = parent->GetEntity();
    EntityT e;
    e.section = section;
    e.tag = entity->getTag();
    if (hx::Failed(entity->CalculateDigestKeys(&e.flat, &e.deep))) return hx::RC_FAIL;
    e.xml = EntityXml(entity);
    for (const TrkAttributeC& a : entity->GetAttributes()) e.attrs.emplace_back(a.GetName(), a.GetValue());
    for (const TrkInventoryEntityC* c = entity->GetFirstChild(); c != nullptr; c = c->GetNext()) {
      if (c->getTag() == "Instance") e.paths.push_back(c->GetAttribute("Path"));
      else if (c->getTag() == "Property") e.properties.emplace_back(c->GetAttribute("Name"), c->GetAttribute("Value"));
    }
    return sink_.OnEntity(std::move(e));
  }

 private:
  DocumentSinkI& sink_;
  uint64_t entities_ = 0;
};

hx::ResultT SectionNodeC::addChild(XmlNodeI* child) { return state_.Emit(child, section_); }

// The document: its root entity holds the root's attributes; children of the root are handed
// on (a full inventory's entities) or dropped (a delta's sections, already emptied).
class DocumentC final : public XmlDocumentI {
 public:
  DocumentC(RefM<TrkInventoryEntityC> root, ReaderStateC& state) : root_(std::move(root)), state_(state) {}
  unsigned long AddRef() override { return ++refs_; }
  unsigned long Release() override {
    const unsigned long left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  XmlNodeI* getNode() override { return static_cast<XmlNodeI*>(root_.get()); }
  StringC getPublicId() const override { return trk::c_InventoryPublicId; }
  StringC getSystemId() const override { return trk::c_InventorySystemId; }
  hx::ResultT addChild(XmlNodeI* child) override {
    return state_.root.IsDelta() ? hx::RC_OK : state_.Emit(child, SectionE::Top);
  }

 private:
  ~DocumentC() = default;
  RefM<TrkInventoryEntityC> root_;
  ReaderStateC& state_;
  unsigned long refs_ = 0;
};

class HandlerC : public XmlDocTypeHandlerI {
 public:
  explicit HandlerC(ReaderStateC& state) : state_(state) {}

  hx::ResultT newDocument(const StringC& rootTag, const XmlAttrListT& attrs, XmlDocumentI** document) override {
    *document = nullptr;
    if (rootTag != c_Root) return hx::RC_FAIL;
    RefM<TrkInventoryEntityC> root = TrkInventoryEntityC::New(c_Root);
    for (const auto& [name, value] : attrs) {
      if (hx::Failed(root->Add(name, value))) return hx::RC_FAIL;
    }
    for (const TrkAttributeC& a : root->GetAttributes()) state_.root.attrs.emplace_back(a.GetName(), a.GetValue());
    const hx::ResultT rc = state_.sink().OnRoot(state_.root);
    if (hx::Failed(rc)) return rc;
    *document = new DocumentC(std::move(root), state_);
    (*document)->AddRef();
    return hx::RC_OK;
  }

  hx::ResultT newNode(XmlDocumentI* document, const char* tag, const char** attrs, XmlNodeI** node) override {
    if (state_.level != 1 || !state_.root.IsDelta()) return entities_.newNode(document, tag, attrs, node);
    for (size_t i = 0; i < 3; ++i) {
      if (std::string_view(tag) != c_Sections[i]) continue;
      *node = new SectionNodeC(tag, static_cast<SectionE>(i + 1), state_);
      (*node)->AddRef();
      return hx::RC_OK;
    }
    return hx::RC_FAIL;  // a delta holds nothing but its three sections
  }

  StringC getPublicId() const override { return trk::c_InventoryPublicId; }
  hx::ResultT expandEntity(const StringC& name, StringC* value) override { return entities_.expandEntity(name, value); }

 private:
  ReaderStateC& state_;
  TrkInventoryDocTypeHandlerC entities_;
};

// The binder, telling the handler each element's level and bounding the text it collects.
class BinderC : public XmlBinderC {
 public:
  BinderC(XmlDocTypeHandlerI* handler, ReaderStateC& state) : XmlBinderC(handler), state_(state) {}

 protected:
  void onStartElement(const char* name, const char** atts) override {
    state_.level = text_.size();
    text_.push_back(0);
    XmlBinderC::onStartElement(name, atts);
  }
  void onEndElement(const char* name) override {
    if (!text_.empty()) text_.pop_back();
    XmlBinderC::onEndElement(name);
  }
  void onCharacterData(const char* text, int length) override {
    if (!text_.empty() && (text_.back() += static_cast<size_t>(length)) > c_MaxTextBytes)
      return abort(hx::RC_FAIL, hx::Format("text of an element longer than %1$lu bytes refused",
                                           static_cast<unsigned long>(c_MaxTextBytes)));
    XmlBinderC::onCharacterData(text, length);
  }

 private:
  ReaderStateC& state_;
  std::vector<size_t> text_;  // bytes of text of each open element
};

}  // namespace

const std::string& RootT::Get(const std::string& name) const {
  static const std::string s_empty;
  for (const auto& [n, v] : attrs) {
    if (n == name) return v;
  }
  return s_empty;
}

class DocumentParserC::ImplC {
 public:
  explicit ImplC(DocumentSinkI& sink) : state(sink), handler(state), binder(&handler, state) {}
  ReaderStateC state;
  HandlerC handler;
  BinderC binder;
  uint64_t bytes = 0;
};

DocumentParserC::DocumentParserC(DocumentSinkI& sink) : impl_(new ImplC(sink)) {}
DocumentParserC::~DocumentParserC() { delete impl_; }

hx::ResultT DocumentParserC::Feed(const char* data, size_t size, bool final, std::string* why) {
  if ((impl_->bytes += size) > c_MaxDocumentBytes) {
    *why = hx::Format("document longer than %1$llu bytes", static_cast<unsigned long long>(c_MaxDocumentBytes));
    return hx::RC_FAIL;
  }
  const hx::ResultT rc = impl_->binder.parse(data, size, final);
  if (hx::Failed(rc) && rc != c_StopAfterRoot) *why = impl_->binder.errorText();
  return rc;
}

std::string RootAttributesXml(const XmlAttrListT& attrs) {
  StringOutputStreamC out;
  out.startObject(c_Root);
  for (const auto& [name, value] : attrs) HX_IGNORE_RESULT(out.saveAttr(name, value));  // into memory
  std::string text = out.Take();  // "<Inventory ...>\n"
  return text.substr(c_Root.size() + 1, text.size() - c_Root.size() - 3);
}

std::string DocumentHead(const std::string& rootAttributesXml) {
  StringOutputStreamC out;
  out.startDocument(c_Root, trk::c_InventoryPublicId, trk::c_InventorySystemId);
  return out.Take() + "<" + c_Root + rootAttributesXml + ">\n";
}

}  // namespace hxc
