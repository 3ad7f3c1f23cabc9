// Inventory files are read back as the base of the next delta; a damaged or hostile file must
// give a failure, never a crash or a leak. Whatever the reader accepts must also survive the
// writer: written again and read back, it holds the same items. The delta reads its base for
// the digests alone: it accepts what the whole reader accepts, with the same digests.

#include <algorithm>

#include "FuzzSupport.h"
#include "foundation/core/Nodiscard.h"
#include "inventory/TrkBaseInventory.h"
#include "inventory/TrkInventoryDocTypeHandler.h"
#include "inventory/XmlOutputStream.h"

using hxfuzz::Check;

static std::vector<std::string> DeepKeys(const TrkInventoryC& inv) {
  std::vector<std::string> keys;
  inv.GetDeepIndex().ForEachKey([&](const StringC& key, const TrkInventoryIndexC::ElemsT& elems) {
    keys.insert(keys.end(), elems.size(), key);
  });
  std::sort(keys.begin(), keys.end());
  return keys;
}

// The read document with its indexed top-level entities linked below a fresh root.
static RefM<TrkInventoryC> Linked(const TrkInventoryC& read) {
  RefM<TrkInventoryC> inv = TrkInventoryC::New();
  for (const auto& a : read.GetAttributes()) HX_IGNORE_RESULT(inv->Add(a.GetName(), a.GetValue()));  // only that it does not crash
  read.GetFlatIndex().ForEachKey([&](const StringC&, const TrkInventoryIndexC::ElemsT& elems) {
    for (const auto& e : elems) Check(inv->AddEntity(e.GetEntity()) == hx::RC_OK);
  });
  return inv;
}

// The base read from the same bytes holds the same items and subtrees.
static void CheckBase(const uint8_t* data, size_t size, const TrkInventoryC* read) {
  const std::string file = hxfuzz::Scratch("base.hxi", data, size);
  Check(!file.empty());
  std::unique_ptr<TrkBaseInventoryC> base;
  const hx::ResultT rc = TrkBaseInventoryC::Read(FileNameC(file), &base);
  Check(hx::Succeeded(rc) == (read != nullptr));
  if (read == nullptr) return;
  Check(base->size() == read->GetFlatIndex().size());
  read->GetFlatIndex().ForEachKey([&](const TrkDigestKeyT& flat, const TrkInventoryIndexC::ElemsT& elems) {
    for (const auto& e : elems) {
      TrkDigestKeyT f, deep;
      Check(e.GetEntity()->CalculateDigestKeys(&f, &deep) == hx::RC_OK && base->HasSubtree(deep));
    }
    Check(base->TakeItem(flat) == elems.size());
  });
}

static std::string Write(TrkInventoryC* inv) {
  char* data = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&data, &size);
  Check(out != nullptr);
  {
    XmlStdioOutputStreamC stream(out);
    Check(stream.saveObject(static_cast<XmlDocumentI*>(inv)) == hx::RC_OK);
    Check(stream.close() == hx::RC_OK);
  }
  std::fclose(out);
  std::string text(data, size);
  std::free(data);
  return text;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RefM<TrkInventoryC> read;
  const hx::ResultT rc = TrkInventoryDocTypeHandlerC::ReadBuffer(reinterpret_cast<const char*>(data), size, &read);
  CheckBase(data, size, hx::Succeeded(rc) ? read.get() : nullptr);
  if (hx::Failed(rc)) {
    Check(!read);
    return 0;
  }
  Check(read && read->getTag() == "Inventory");
  Check(read->GetFlatIndex().size() == read->GetDeepIndex().size());

  RefM<TrkInventoryC> linked = Linked(*read);
  const std::string written = Write(linked.get());
  RefM<TrkInventoryC> again;
  Check(TrkInventoryDocTypeHandlerC::ReadBuffer(written.data(), written.size(), &again) == hx::RC_OK);
  Check(DeepKeys(*again) == DeepKeys(*read));
  return 0;
}
