#include "inventory/TrkInventoryIndex.h"

namespace {

constexpr size_t c_DigestBytes = 16;
constexpr char c_HexDigits[] = "0123456789abcdef";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool TrkDigestKeyT::FromHex(std::string_view hex, TrkDigestKeyT* key) {
  if (hex.size() != 2 * c_DigestBytes) return false;
  uint64_t halves[2] = {0, 0};
  for (size_t i = 0; i < hex.size(); ++i) {
    const int v = HexValue(hex[i]);
    if (v < 0) return false;
    uint64_t& half = halves[i / c_DigestBytes];
    half = (half << 4) | static_cast<uint64_t>(v);
  }
  key->hi = halves[0];
  key->lo = halves[1];
  return true;
}

StringC TrkDigestKeyT::Hex() const {
  StringC out(2 * c_DigestBytes, '0');
  for (size_t i = 0; i < c_DigestBytes; ++i) {
    const uint64_t half = i < c_DigestBytes / 2 ? hi : lo;
    const unsigned shift = static_cast<unsigned>(8 * (c_DigestBytes / 2 - 1 - i % (c_DigestBytes / 2)));
    const unsigned byte = static_cast<unsigned>((half >> shift) & 0xFF);
    out[2 * i] = c_HexDigits[byte >> 4];
    out[2 * i + 1] = c_HexDigits[byte & 0xF];
  }
  return out;
}

void TrkIndexElemsC::push_back(TrkInventoryEntityC* entity) {
  if (many_.empty() && one_.GetEntity() == nullptr) {
    one_ = TrkInventoryHashElemC(entity);
    return;
  }
  if (many_.empty()) many_.push_back(std::move(one_));
  many_.emplace_back(entity);
}

void TrkIndexElemsC::clear() {
  one_ = TrkInventoryHashElemC();
  std::vector<TrkInventoryHashElemC>().swap(many_);
}

void TrkInventoryIndexC::Release(const ElemsT& elems) const {
  if (!holds_) return;
  for (const TrkInventoryHashElemC& e : elems) e.GetEntity()->Release();
}

void TrkInventoryIndexC::Clear() {
  for (const SlotT& slot : slots_) Release(slot.elems);
  table_.clear();
  slots_.clear();
  count_ = 0;
}

void TrkInventoryIndexC::Reserve(size_t keys) {
  slots_.reserve(keys);
  while (table_.size() < 2 * keys) Grow();
}

size_t TrkInventoryIndexC::Probe(const TrkDigestKeyT& key) const {
  const size_t mask = table_.size() - 1;
  for (size_t i = TrkDigestKeyHashT()(key) & mask;; i = (i + 1) & mask) {
    if (table_[i] == 0 || slots_[table_[i] - 1].key == key) return i;
  }
}

void TrkInventoryIndexC::Grow() {
  constexpr size_t c_FirstSize = 16;
  std::vector<uint32_t> old;
  old.swap(table_);
  table_.assign(old.empty() ? c_FirstSize : 2 * old.size(), 0);
  for (uint32_t slot : old) {
    if (slot != 0) table_[Probe(slots_[slot - 1].key)] = slot;
  }
}

void TrkInventoryIndexC::Insert(const TrkDigestKeyT& key, TrkInventoryEntityC* entity) {
  if (2 * (slots_.size() + 1) > table_.size()) Grow();
  const size_t at = Probe(key);
  if (table_[at] == 0) {
    slots_.push_back(SlotT{key, ElemsT()});
    table_[at] = static_cast<uint32_t>(slots_.size());
  }
  if (holds_) entity->AddRef();
  slots_[table_[at] - 1].elems.push_back(entity);
  ++count_;
}

const TrkInventoryIndexC::ElemsT* TrkInventoryIndexC::Find(const TrkDigestKeyT& key) const {
  if (table_.empty()) return nullptr;
  const uint32_t slot = table_[Probe(key)];
  if (slot == 0) return nullptr;
  const ElemsT& elems = slots_[slot - 1].elems;
  return elems.empty() ? nullptr : &elems;
}

size_t TrkInventoryIndexC::RemoveAll(const TrkDigestKeyT& key) {
  if (table_.empty()) return 0;
  const uint32_t slot = table_[Probe(key)];
  if (slot == 0) return 0;
  ElemsT& elems = slots_[slot - 1].elems;
  const size_t n = elems.size();
  Release(elems);
  elems.clear();
  count_ -= n;
  return n;
}

void TrkInventoryIndexC::Insert(const StringC& key, TrkInventoryEntityC* entity) {
  TrkDigestKeyT k;
  if (TrkDigestKeyT::FromHex(key, &k)) Insert(k, entity);
}

const TrkInventoryIndexC::ElemsT* TrkInventoryIndexC::Find(const StringC& key) const {
  TrkDigestKeyT k;
  return TrkDigestKeyT::FromHex(key, &k) ? Find(k) : nullptr;
}

size_t TrkInventoryIndexC::RemoveAll(const StringC& key) {
  TrkDigestKeyT k;
  return TrkDigestKeyT::FromHex(key, &k) ? RemoveAll(k) : 0;
}
