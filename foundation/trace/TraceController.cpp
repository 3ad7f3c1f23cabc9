#include "foundation/trace/TraceController.h"

namespace {

constexpr char kPathSeparator = '/';

// The components of a category path, empty ones dropped.
std::vector<std::string_view> Components(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(kPathSeparator, start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

uint32_t SlotBit(int slot) { return 1u << slot; }

}  // namespace

TraceControlVarC::TraceControlVarC(std::string name, std::string leaf, TraceControlVarC* parent)
    : name_(std::move(name)), leaf_(std::move(leaf)), parent_(parent) {
  settings_.fill(TraceSettingInherit);
  if (parent_ != nullptr) enabled_.store(parent_->enabledMask(), std::memory_order_relaxed);
}

TraceControllerC::TraceControllerC() : root_(std::make_unique<TraceControlVarC>("", "", nullptr)) {
  for (auto& d : details_) d.store(kDefaultDetail, std::memory_order_relaxed);
  byName_.emplace("", root_.get());
}

TraceControllerC::~TraceControllerC() = default;

int TraceControllerC::slotOfLocked(const TraceConsumerI* consumer) const {
  if (consumer == nullptr) return -1;
  for (int i = 0; i < TraceControlVarC::kMaxConsumers; ++i)
    if (consumers_[static_cast<size_t>(i)] == consumer) return i;
  return -1;
}

bool TraceControllerC::registerConsumer(TraceConsumerI* consumer) {
  std::lock_guard<std::mutex> g(lock_);
  if (consumer == nullptr || slotOfLocked(consumer) >= 0) return false;
  for (size_t i = 0; i < consumers_.size(); ++i) {
    if (consumers_[i] == nullptr) {
      consumers_[i] = consumer;
      details_[i].store(kDefaultDetail, std::memory_order_relaxed);
      return true;
    }
  }
  return false;
}

void TraceControllerC::unregisterConsumer(TraceConsumerI* consumer) {
  std::lock_guard<std::mutex> g(lock_);
  const int slot = slotOfLocked(consumer);
  if (slot < 0) return;
  for (auto& kv : byName_) setLocked(kv.second, slot, TraceSettingInherit);
  for (auto it = classes_.begin(); it != classes_.end();) {
    if (it->slot == slot) {
      it = classes_.erase(it);
      switchedOn_.fetch_sub(1, std::memory_order_acq_rel);
    } else {
      ++it;
    }
  }
  propagateLocked(root_.get(), slot);
  consumers_[static_cast<size_t>(slot)] = nullptr;
}

void TraceControllerC::setDetail(TraceConsumerI* consumer, int level) {
  std::lock_guard<std::mutex> g(lock_);
  const int slot = slotOfLocked(consumer);
  if (slot >= 0) details_[static_cast<size_t>(slot)].store(level, std::memory_order_relaxed);
}

int TraceControllerC::detail(TraceConsumerI* consumer) const {
  std::lock_guard<std::mutex> g(lock_);
  const int slot = slotOfLocked(consumer);
  return slot >= 0 ? details_[static_cast<size_t>(slot)].load(std::memory_order_relaxed) : -1;
}

TraceControlVarC* TraceControllerC::findLocked(std::string_view category) {
  const std::vector<std::string_view> parts = Components(category);
  TraceControlVarC* var = root_.get();
  std::string path;
  for (const std::string_view part : parts) {
    if (!path.empty()) path.push_back(kPathSeparator);
    path.append(part);
    auto it = byName_.find(path);
    if (it != byName_.end()) {
      var = it->second;
      continue;
    }
    var->children_.push_back(std::make_unique<TraceControlVarC>(path, std::string(part), var));
    TraceControlVarC* child = var->children_.back().get();
    byName_.emplace(path, child);
    for (const ClassT& c : classes_)
      if (c.name == child->leaf_) setLocked(child, c.slot, TraceSettingOn);
    var = child;
  }
  return var;
}

TraceControlVarC* TraceControllerC::find(std::string_view category) {
  std::lock_guard<std::mutex> g(lock_);
  return findLocked(category);
}

void TraceControllerC::setLocked(TraceControlVarC* var, int slot, TraceSettingE setting) {
  TraceSettingE& current = var->settings_[static_cast<size_t>(slot)];
  if (current == setting) return;
  if (current == TraceSettingOn) switchedOn_.fetch_sub(1, std::memory_order_acq_rel);
  if (setting == TraceSettingOn) switchedOn_.fetch_add(1, std::memory_order_acq_rel);
  current = setting;
  propagateLocked(var, slot);
}

// Recomputes the enabled bit of one consumer slot for a category and everything below it.
void TraceControllerC::propagateLocked(TraceControlVarC* var, int slot) {
  const uint32_t bit = SlotBit(slot);
  std::vector<TraceControlVarC*> pending{var};
  while (!pending.empty()) {
    TraceControlVarC* v = pending.back();
    pending.pop_back();
    const TraceSettingE own = v->settings_[static_cast<size_t>(slot)];
    const bool inherited = v->parent_ != nullptr && (v->parent_->enabledMask() & bit) != 0;
    const bool on = own == TraceSettingInherit ? inherited : own == TraceSettingOn;
    const uint32_t mask = v->enabledMask();
    v->enabled_.store(on ? (mask | bit) : (mask & ~bit), std::memory_order_release);
    for (auto& child : v->children_) pending.push_back(child.get());
  }
}

void TraceControllerC::set(TraceConsumerI* consumer, std::string_view category, TraceSettingE setting) {
  std::lock_guard<std::mutex> g(lock_);
  const int slot = slotOfLocked(consumer);
  if (slot < 0) return;
  setLocked(findLocked(category), slot, setting);
}

void TraceControllerC::enable(TraceConsumerI* consumer, std::string_view category) {
  set(consumer, category, TraceSettingOn);
}
void TraceControllerC::disable(TraceConsumerI* consumer, std::string_view category) {
  set(consumer, category, TraceSettingOff);
}
void TraceControllerC::inherit(TraceConsumerI* consumer, std::string_view category) {
  set(consumer, category, TraceSettingInherit);
}
void TraceControllerC::setValues(TraceConsumerI* consumer, std::string_view category, TraceSettingE setting) {
  set(consumer, category, setting);
}

bool TraceControllerC::getValues(TraceConsumerI* consumer, std::string_view category, TraceSettingE& setting,
                                 bool& enabled) {
  std::lock_guard<std::mutex> g(lock_);
  const int slot = slotOfLocked(consumer);
  if (slot < 0) return false;
  const TraceControlVarC* var = findLocked(category);
  setting = var->settings_[static_cast<size_t>(slot)];
  enabled = (var->enabledMask() & SlotBit(slot)) != 0;
  return true;
}

void TraceControllerC::addClass(TraceConsumerI* consumer, std::string_view className) {
  std::lock_guard<std::mutex> g(lock_);
  const int slot = slotOfLocked(consumer);
  if (slot < 0 || className.empty()) return;
  classes_.push_back(ClassT{slot, std::string(className)});
  switchedOn_.fetch_add(1, std::memory_order_acq_rel);
  for (auto& kv : byName_)
    if (kv.second->leaf_ == className) setLocked(kv.second, slot, TraceSettingOn);
}

size_t TraceControllerC::getChildCount(const TraceControlVarC* category) {
  std::lock_guard<std::mutex> g(lock_);
  return (category ? category : root_.get())->children_.size();
}

const TraceControlVarC* TraceControllerC::getChild(const TraceControlVarC* category, size_t i) {
  std::lock_guard<std::mutex> g(lock_);
  const TraceControlVarC* var = category ? category : root_.get();
  return i < var->children_.size() ? var->children_[i].get() : nullptr;
}

bool TraceControllerC::enabled(const TraceControlVarC* category, int detail) const {
  if (category == nullptr) return false;
  uint32_t mask = category->enabledMask();
  for (int slot = 0; mask != 0; ++slot, mask >>= 1)
    if ((mask & 1u) != 0 && details_[static_cast<size_t>(slot)].load(std::memory_order_relaxed) >= detail)
      return true;
  return false;
}

void TraceControllerC::deliver(const TraceControlVarC* category, int detail, std::string_view text, int indent) {
  if (category == nullptr) return;
  std::array<TraceConsumerI*, TraceControlVarC::kMaxConsumers> targets{};
  size_t count = 0;
  {
    std::lock_guard<std::mutex> g(lock_);
    uint32_t mask = category->enabledMask();
    for (int slot = 0; mask != 0; ++slot, mask >>= 1) {
      const size_t s = static_cast<size_t>(slot);
      if ((mask & 1u) != 0 && consumers_[s] != nullptr && details_[s].load(std::memory_order_relaxed) >= detail)
        targets[count++] = consumers_[s];
    }
  }
  // Outside the lock: a consumer may report an error, and reports are traced themselves.
  for (size_t i = 0; i < count; ++i) targets[i]->consume(*category, text, indent);
}
