#include "view/model/InventoryStream.h"

#include <zlib.h>

#include <cstring>
#include <vector>

#include "foundation/files/SafeFile.h"
#include "inventory/TrkVocabulary.h"

namespace hxview {

namespace {

using V = TrkVocabularyC;

constexpr const char* c_Content = "Content";
constexpr const char* c_Instance = "Instance";
constexpr const char* c_DateTime = "DateTime";
constexpr const char* c_MD5 = "MD5";
constexpr const char* c_Size = "Size";
constexpr const char* c_Type = "Type";
constexpr const char* c_Difference = "Difference";
constexpr const char* c_Add = "Add";
constexpr const char* c_Remove = "Remove";
constexpr const char* c_Update = "Update";
constexpr const char* c_ProductName = "ProductName";
constexpr const char* c_ProductVersion = "ProductVersion";
constexpr const char* c_Version = "Version";
constexpr const char* c_InstallDate = "InstallDate";
constexpr const char* c_KeySeparator = "\x1F";
constexpr const char* c_ValueSeparator = ", ";
constexpr const char* c_NoType = "(none)";
constexpr const char* c_Ellipsis = "...";
// Reading in large pieces keeps the cost per byte at that of the parser.
constexpr size_t c_ReadPiece = 256 * 1024;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::string Kept(const char* value) {
  const size_t n = std::strlen(value);
  if (n <= c_MaxValueBytes) return std::string(value, n);
  size_t cut = c_MaxValueBytes;
  while (cut > 0 && IsContinuationByte(value[cut])) --cut;
  return std::string(value, cut) + c_Ellipsis;
}

const char* Attribute(const char** atts, const char* name) {
  for (const char** a = atts; a[0] != nullptr; a += 2)
    if (std::strcmp(a[0], name) == 0) return a[1];
  return "";
}

// What the delta matches a top-level entity by: its tag and its attributes in document order.
std::string EntityKey(const std::string& tag, const char** atts) {
  std::string key = tag;
  for (const char** a = atts; a[0] != nullptr; a += 2) key.append(c_KeySeparator).append(a[0]).append("=").append(Kept(a[1]));
  return key;
}

EntityT NewEntity(const std::string& tag, const char** atts) {
  EntityT e;
  e.key = EntityKey(tag, atts);
  const bool hardware = tag == V::c_Hardware;
  e.kind = hardware ? Kept(Attribute(atts, V::c_Class)) : tag;
  std::string name = Kept(Attribute(atts, V::c_Name));
  if (name.empty() && !hardware && atts[0] != nullptr) name = Kept(atts[1]);
  e.label = e.kind + (name.empty() ? "" : " " + name);
  return e;
}

// A child of a kept entity: a Property as its name and value; another child by its tag and first
// attribute, its other attributes as the value.
std::pair<std::string, std::string> ChildValue(const std::string& tag, const char** atts) {
  if (tag == V::c_Property) return {Kept(Attribute(atts, V::c_Name)), Kept(Attribute(atts, V::c_Value))};
  std::pair<std::string, std::string> v{tag, std::string()};
  if (atts[0] == nullptr) return v;
  v.first += " " + Kept(atts[1]);
  for (const char** a = atts + 2; a[0] != nullptr; a += 2)
    v.second += (v.second.empty() ? "" : c_ValueSeparator) + std::string(a[0]) + "=" + Kept(a[1]);
  return v;
}

}  // namespace

hx::ResultT InventoryStreamC::Feed(const char* data, size_t size, bool final) {
  const hx::ResultT r = parse(data, size, final);
  if (hx::Succeeded(r) && final && !sawRoot_) return hx::RC_FAIL;
  return r;
}

HardwareClassT* InventoryStreamC::ClassOf(const std::string& className) {
  // Instances of one class mostly come together.
  std::vector<HardwareClassT>& classes = section_->hardware;
  if (!classes.empty() && classes.back().className == className) return &classes.back();
  const auto found = section_->classOf.emplace(className, classes.size());
  if (!found.second) return found.first->second == c_ClassLeftOut ? nullptr : &classes[found.first->second];
  if (classes.size() == c_MaxClasses) {
    found.first->second = c_ClassLeftOut;
    ++section_->classesLeftOut;
    return nullptr;
  }
  classes.push_back({className, {}, {}, {}, 0});
  return &classes.back();
}

void InventoryStreamC::onStartElement(const char* name, const char** atts) {
  if (aborted()) return;
  ++depth_;
  if (depth_ == c_RootDepth) {
    if (std::strcmp(name, V::c_Inventory) != 0) return abort(hx::RC_FAIL, StringC("not an inventory"));
    sawRoot_ = true;
    for (const char** a = atts; a[0] != nullptr; a += 2) doc_.root.emplace_back(a[0], Kept(a[1]));
    doc_.delta = std::strcmp(Attribute(atts, c_Type), c_Difference) == 0;
    section_ = doc_.delta ? nullptr : &doc_.full;
    return;
  }
  if (doc_.delta && depth_ == c_RootDepth + 1) {
    if (std::strcmp(name, c_Add) == 0) section_ = &doc_.added;
    else if (std::strcmp(name, c_Remove) == 0) section_ = &doc_.removed;
    else if (std::strcmp(name, c_Update) == 0) section_ = &doc_.updated;
    else section_ = nullptr;
    return;
  }
  if (section_ == nullptr) return;
  if (depth_ == EntityDepth()) StartEntity(name, atts);
  else if (depth_ == EntityDepth() + 1) StartChild(name, atts);
}

void InventoryStreamC::StartEntity(const std::string& tag, const char** atts) {
  open_ = OpenE::None;
  keeping_ = false;
  if (keepOnly_ != nullptr) {
    // The base of a delta: only the counterparts of its updated entities are wanted.
    std::string key = EntityKey(tag, atts);
    if (keepOnly_->count(key) == 0) return;
    section_->entities.push_back(NewEntity(tag, atts));
    keeping_ = true;
    return;
  }
  ++section_->entityCount;
  if (section_ == &doc_.updated) {
    section_->entities.push_back(NewEntity(tag, atts));
    keeping_ = true;
  }
  if (tag == V::c_Hardware) {
    ++section_->hardwareCount;
    class_ = ClassOf(Kept(Attribute(atts, V::c_Class)));
    if (class_ == nullptr) {
      ++section_->instancesLeftOut;
      return;
    }
    class_->instances.push_back({Kept(Attribute(atts, V::c_Name)), Kept(Attribute(atts, V::c_Evidence)), {}});
    open_ = OpenE::Hardware;
  } else if (tag == V::c_Package) {
    // Native packages name their type in Evidence; the agent's own packages carry a Type.
    std::string type = Kept(Attribute(atts, c_Type));
    if (type.empty()) type = Kept(Attribute(atts, V::c_Evidence));
    ++section_->packages[type.empty() ? c_NoType : type];
    ++section_->packageCount;
    section_->packageList.push_back({Kept(Attribute(atts, V::c_Name)), Kept(Attribute(atts, c_Version)), type,
                                     Kept(Attribute(atts, c_InstallDate))});
  } else if (tag == c_Content) {
    file_ = TrackedFileT{};
    file_.md5 = Kept(Attribute(atts, c_MD5));
    uint64_t size = 0;
    if (hx::ParseUInt64(Attribute(atts, c_Size), size)) file_.size = size;
    paths_.clear();
    productName_.clear();
    productVersion_.clear();
    open_ = OpenE::Content;
  } else {
    ++section_->others[tag];
  }
}

void InventoryStreamC::StartChild(const std::string& tag, const char** atts) {
  if (keeping_) section_->entities.back().values.push_back(ChildValue(tag, atts));
  if (open_ == OpenE::Hardware && tag == V::c_Property) {
    std::string property = Kept(Attribute(atts, V::c_Name));
    auto column = class_->columnOf.find(property);
    if (column == class_->columnOf.end()) {
      if (class_->columns.size() == c_MaxColumns) {
        ++class_->valuesLeftOut;
        return;
      }
      column = class_->columnOf.emplace(property, class_->columns.size()).first;
      class_->columns.push_back(std::move(property));
    }
    class_->instances.back().properties.emplace_back(column->second, Kept(Attribute(atts, V::c_Value)));
  } else if (open_ == OpenE::Content && tag == c_Instance) {
    if (paths_.size() == c_MaxFilePaths) ++section_->pathsLeftOut;
    else paths_.emplace_back(Kept(Attribute(atts, V::c_Path)), Kept(Attribute(atts, c_DateTime)));
  } else if (open_ == OpenE::Content && tag == V::c_Property) {
    const char* property = Attribute(atts, V::c_Name);
    if (std::strcmp(property, c_ProductName) == 0) productName_ = Kept(Attribute(atts, V::c_Value));
    else if (std::strcmp(property, c_ProductVersion) == 0) productVersion_ = Kept(Attribute(atts, V::c_Value));
  }
}

void InventoryStreamC::EndContent() {
  file_.product = productName_;
  if (!productVersion_.empty()) file_.product += (file_.product.empty() ? "" : " ") + productVersion_;
  // A Content without an Instance still counts as one tracked file, without a path.
  if (paths_.empty()) paths_.emplace_back();
  for (size_t i = 0; i < paths_.size(); ++i) {
    // The last instance takes the file's values; the others copy them.
    section_->files.push_back(i + 1 == paths_.size() ? std::move(file_) : file_);
    section_->files.back().path = std::move(paths_[i].first);
    section_->files.back().dateTime = std::move(paths_[i].second);
  }
}

void InventoryStreamC::onEndElement(const char*) {
  if (aborted()) return;
  if (section_ != nullptr && depth_ == EntityDepth() && open_ == OpenE::Content) EndContent();
  if (depth_ == EntityDepth()) {
    open_ = OpenE::None;
    keeping_ = false;
  }
  --depth_;
}

hx::ResultT ReadInventoryFile(const std::string& path, ViewDocT* doc, std::string* why,
                              const std::unordered_set<std::string>* keepOnly) {
  hx::UniqueFdC fd;
  hx::ResultT r = hx::OpenForReading(path, &fd);
  if (hx::Failed(r)) {
    *why = std::string("cannot open ") + path + ": " + std::strerror(static_cast<int>(static_cast<uint32_t>(r) & 0xFFFFu));
    return r;
  }
  // gzip or plain text alike: zlib passes a file that is not compressed through unchanged.
  gzFile in = gzdopen(fd.release(), "rb");
  if (in == nullptr) {
    *why = "cannot read " + path;
    return hx::RC_NO_RESOURCE;
  }
  gzbuffer(in, c_ReadPiece);
  InventoryStreamC stream(*doc, keepOnly);
  std::vector<char> buffer(c_ReadPiece);
  int n = 0;
  while (hx::Succeeded(r) && (n = gzread(in, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
    r = stream.Feed(buffer.data(), static_cast<size_t>(n), false);
  const bool readFailed = n < 0;
  if (gzclose(in) != Z_OK || readFailed) {
    *why = path + ": damaged or truncated compressed file";
    return hx::RC_FAIL;
  }
  if (hx::Succeeded(r)) r = stream.Feed(nullptr, 0, true);
  if (hx::Failed(r)) *why = path + ": not an inventory: " + stream.errorText();
  return r;
}

}  // namespace hxview
