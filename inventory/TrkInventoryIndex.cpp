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

void TrkInventoryIndexC::Clear() {
  map_.clear();
  slots_.clear();
  count_ = 0;
}

void TrkInventoryIndexC::Reserve(size_t keys) {
  map_.reserve(keys);
  slots_.reserve(keys);
}

void TrkInventoryIndexC::Insert(const TrkDigestKeyT& key, TrkInventoryEntityC* entity) {
  const auto [it, added] = map_.try_emplace(key, slots_.size());
  if (added) slots_.push_back(SlotT{key, ElemsT()});
  slots_[it->second].elems.emplace_back(entity);
  ++count_;
}

const TrkInventoryIndexC::ElemsT* TrkInventoryIndexC::Find(const TrkDigestKeyT& key) const {
  const auto it = map_.find(key);
  if (it == map_.end()) return nullptr;
  const ElemsT& elems = slots_[it->second].elems;
  return elems.empty() ? nullptr : &elems;
}

size_t TrkInventoryIndexC::RemoveAll(const TrkDigestKeyT& key) {
  const auto it = map_.find(key);
  if (it == map_.end()) return 0;
  ElemsT& elems = slots_[it->second].elems;
  const size_t n = elems.size();
  ElemsT().swap(elems);
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
