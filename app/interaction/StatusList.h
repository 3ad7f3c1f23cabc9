#pragma once
// StatusListC: one list of the status window, the steps of the run in order, each pending,
// succeeded or failed, with one active item (the step under way) or none once the list is
// finished.

#include <cstddef>
#include <string>
#include <vector>

enum class StatusMarkE { Pending, Succeeded, Failed };

struct StatusItemT {
  std::string text;
  StatusMarkE mark = StatusMarkE::Pending;
};

class StatusListC {
 public:
  void Add(std::string text) { items_.push_back({std::move(text), StatusMarkE::Pending}); }
  // Drops every item; the list is then finished.
  void Clear() {
    items_.clear();
    active_ = 0;
  }
  size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  const StatusItemT& Item(size_t i) const { return items_[i]; }
  // The active item's index; Count() once the list is finished.
  size_t Active() const { return active_; }
  bool Finished() const { return active_ >= items_.size(); }
  bool IsLast(size_t i) const { return i + 1 == items_.size(); }

  void SetActive(size_t i) { active_ = i < items_.size() ? i : items_.size(); }
  void Finish() { active_ = items_.size(); }
  void Mark(size_t i, StatusMarkE mark) {
    if (i < items_.size()) items_[i].mark = mark;
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const StatusItemT& item : items_) texts.push_back(item.text);
    return texts;
  }

 private:
  std::vector<StatusItemT> items_;
  size_t active_ = 0;
};
