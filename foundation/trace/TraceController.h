#pragma once
// The category tree of the developer trace. Categories are paths ("Tracker/Inventory/Upload");
// each consumer of trace lines switches categories on or off for itself, and a category without
// its own setting inherits its parent's (the root is off). Every category keeps, per consumer,
// whether it is enabled after inheritance, so asking costs one load once a call site has found
// its category. Categories are created on first use and live as long as the controller, so a
// call site may keep a pointer to its category.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/core/Nodiscard.h"

class TraceControlVarC;

// Receives the lines of the categories it has enabled.
class TraceConsumerI {
 public:
  virtual ~TraceConsumerI() = default;
  // One formatted line of `category` (without its line end), indented by `indent` levels.
  // Called without any lock of the controller held.
  virtual void consume(const TraceControlVarC& category, std::string_view text, int indent) = 0;
};

enum TraceSettingE : int8_t { TraceSettingInherit = -1, TraceSettingOff = 0, TraceSettingOn = 1 };

class TraceControlVarC {
 public:
  static constexpr int kMaxConsumers = 32;  // one bit of the enabled mask each

  TraceControlVarC(std::string name, std::string leaf, TraceControlVarC* parent);
  const std::string& name() const { return name_; }  // the whole path; "" for the root
  const std::string& leaf() const { return leaf_; }  // the last component
  const TraceControlVarC* parent() const { return parent_; }
  // Bit i is set when the category is enabled, after inheritance, for consumer slot i.
  uint32_t enabledMask() const { return enabled_.load(std::memory_order_acquire); }

 private:
  friend class TraceControllerC;
  std::string name_, leaf_;
  TraceControlVarC* parent_;
  std::vector<std::unique_ptr<TraceControlVarC>> children_;
  std::array<TraceSettingE, kMaxConsumers> settings_;
  std::atomic<uint32_t> enabled_{0};
};

// What a call site remembers of its category: the category found and the detail level of its
// lines. One cache belongs to one category text.
struct TraceCacheT {
  std::atomic<TraceControlVarC*> var{nullptr};
  std::atomic<int> detail{0};
};

class TraceControllerC {
 public:
  static constexpr int kDefaultDetail = 9;

  TraceControllerC();
  ~TraceControllerC();
  TraceControllerC(const TraceControllerC&) = delete;
  TraceControllerC& operator=(const TraceControllerC&) = delete;

  // Gives the consumer a slot; false when all slots are taken or it is registered already.
  HX_NODISCARD bool registerConsumer(TraceConsumerI* consumer);
  // Drops the consumer and its settings. No line may be on its way to it meanwhile.
  void unregisterConsumer(TraceConsumerI* consumer);
  // Lines with a detail level above `level` are not given to the consumer.
  void setDetail(TraceConsumerI* consumer, int level);
  int detail(TraceConsumerI* consumer) const;

  void enable(TraceConsumerI* consumer, std::string_view category);
  void disable(TraceConsumerI* consumer, std::string_view category);
  void inherit(TraceConsumerI* consumer, std::string_view category);
  // The consumer's own setting of the category and whether the category is enabled for it.
  // False when the consumer is not registered.
  HX_NODISCARD bool getValues(TraceConsumerI* consumer, std::string_view category, TraceSettingE& setting, bool& enabled);
  void setValues(TraceConsumerI* consumer, std::string_view category, TraceSettingE setting);
  // Enables for the consumer every category, present or future, whose last component is
  // `className`.
  void addClass(TraceConsumerI* consumer, std::string_view className);

  // The children of a category in the order they were created; null stands for the root.
  size_t getChildCount(const TraceControlVarC* category);
  const TraceControlVarC* getChild(const TraceControlVarC* category, size_t i);

  // The category of a path, created with its missing parents. Empty components are ignored;
  // an empty path is the root.
  TraceControlVarC* find(std::string_view category);
  // True when a consumer for which the category is enabled takes lines of this detail level.
  bool enabled(const TraceControlVarC* category, int detail) const;
  // Hands a line to every consumer for which the category is enabled at this detail level.
  void deliver(const TraceControlVarC* category, int detail, std::string_view text, int indent);
  // False while no category is switched on for anybody: the fast answer for every call site.
  bool anyEnabled() const { return switchedOn_.load(std::memory_order_acquire) > 0; }

 private:
  struct ClassT {
    int slot;
    std::string name;
  };

  int slotOfLocked(const TraceConsumerI* consumer) const;
  TraceControlVarC* findLocked(std::string_view category);
  void setLocked(TraceControlVarC* var, int slot, TraceSettingE setting);
  void propagateLocked(TraceControlVarC* var, int slot);
  void set(TraceConsumerI* consumer, std::string_view category, TraceSettingE setting);

  mutable std::mutex lock_;
  std::unique_ptr<TraceControlVarC> root_;
  std::unordered_map<std::string, TraceControlVarC*> byName_;
  std::array<TraceConsumerI*, TraceControlVarC::kMaxConsumers> consumers_{};
  std::array<std::atomic<int>, TraceControlVarC::kMaxConsumers> details_;
  std::vector<ClassT> classes_;
  std::atomic<int> switchedOn_{0};  // settings that are on, plus class patterns
};
