#include "foundation/com/ComNameSpace.h"

namespace {
constexpr char c_SpaceEnd = ':';
constexpr char c_SpaceSeparator = '.';
}  // namespace

ComNamePartsT ParseName(std::string_view text) {
  ComNamePartsT parts;
  const size_t colon = text.find(c_SpaceEnd);
  if (colon == std::string_view::npos) {
    parts.rest = hx::ToLower(text);
    return parts;
  }
  const size_t dot = text.find(c_SpaceSeparator);
  if (dot == std::string_view::npos || dot > colon) {
    parts.first = hx::ToLower(text.substr(0, colon));
    parts.rest = hx::ToLower(text.substr(colon + 1));
    return parts;
  }
  parts.first = hx::ToLower(text.substr(0, dot));
  parts.rest = hx::ToLower(text.substr(dot + 1));
  parts.last = false;
  return parts;
}

StringC ComClassNameProper(std::string_view text) {
  const size_t colon = text.find(c_SpaceEnd);
  return hx::ToLower(colon == std::string_view::npos ? text : text.substr(colon + 1));
}

ComNameSpaceC* ComNameSpaceC::FindChild(const StringC& name) const {
  for (const auto& child : children_) {
    if (child->name_ == name) return child.get();
  }
  return nullptr;
}

ComNameSpaceC* ComNameSpaceC::FindNameSpace(std::string_view text) {
  // Iterative walk down the path; every step is one segment.
  ComNameSpaceC* node = this;
  ComNamePartsT parts = ParseName(text);
  while (true) {
    if (parts.last && parts.first == node->name_) return node;
    ComNameSpaceC* child = node->FindChild(parts.first);
    if (child == nullptr || parts.last) return child;
    node = child;
    parts = ParseName(parts.rest);
  }
}

void ComNameSpaceC::CreateSubSpace(std::string_view text) {
  ComNameSpaceC* node = this;
  ComNamePartsT parts = ParseName(text);
  while (!parts.first.empty()) {
    ComNameSpaceC* child = node->FindNameSpace(parts.first + c_SpaceEnd);
    if (child == nullptr) {
      node->children_.push_back(std::make_unique<ComNameSpaceC>(parts.first, node));
      child = node->children_.back().get();
    }
    node = child;
    parts = ParseName(parts.rest);
  }
}

void ComNameSpaceC::PutEntry(const StringC& name, const ZORGUID& clsid) {
  entries_.insert_or_assign(name, ComClassEntryC(name, clsid));
}

bool ComNameSpaceC::RemoveEntry(const StringC& name) { return entries_.erase(name) > 0; }

const ComClassEntryC* ComNameSpaceC::GetEntry(const StringC& name) const {
  const auto it = entries_.find(name);
  return it == entries_.end() ? nullptr : &it->second;
}
