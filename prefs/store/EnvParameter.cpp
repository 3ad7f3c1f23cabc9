#include "prefs/store/EnvParameter.h"

#include <algorithm>

#include "prefs/store/EnvOpts.h"

namespace {
const StringC s_Empty;
}

env_ParameterC::env_ParameterC(StringC name, uint32_t options)
    : name_(std::move(name)), options_(options), multi_((options & env_EnvOptsC::values_multi) != 0) {
  if (!multi_) values_.emplace_back();
}

void env_ParameterC::Add(const StringC& value) {
  if (multi_) {
    AddToList(value);
  } else if (values_.front().empty()) {
    values_.front() = value;
  }
}

void env_ParameterC::Set(const StringC& value) {
  if (!multi_) {
    values_.front() = value;
    return;
  }
  values_.clear();
  current_ = 0;
  AddToList(value);
}

void env_ParameterC::AddToList(const StringC& value) {
  if (value.empty() && (options_ & env_EnvOptsC::allow_empty) == 0) return;
  if ((options_ & env_EnvOptsC::values_unique) != 0 &&
      std::find(values_.begin(), values_.end(), value) != values_.end()) {
    return;  // not even the current position moves
  }
  if ((options_ & env_EnvOptsC::values_sorted) != 0) {
    const auto at = std::upper_bound(values_.begin(), values_.end(), value);
    current_ = static_cast<size_t>(at - values_.begin());
    values_.insert(at, value);
    return;
  }
  values_.push_back(value);
  current_ = values_.size() - 1;
}

const StringC& env_ParameterC::Value() const {
  if (!multi_) return values_.front();
  return current_ < values_.size() ? values_[current_] : s_Empty;
}

StringArrayC env_ParameterC::Values() const {
  if (multi_) return values_;
  if (values_.front().empty()) return {};
  return values_;
}

size_t env_ParameterC::Count() const {
  if (multi_) return values_.size();
  return values_.front().empty() ? 0 : 1;
}
