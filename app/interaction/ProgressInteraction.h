#pragma once
// The status window: a title, the first-level list of the run's steps, a second-level list
// under one first-level item, a status text, a progress text and a progress bar (value out of
// a maximum). The owner changes the lists and then calls Update; the texts and the bar show
// themselves. What is drawn, and when, is up to the view the manager gives the window.

#include <cstdint>
#include <memory>
#include <string>

#include "app/interaction/StatusList.h"

class ProgressInteractionI {
 public:
  virtual ~ProgressInteractionI() = default;

  virtual const std::string& Title() const = 0;
  virtual StatusListC& Items() = 0;
  virtual const StatusListC& Items() const = 0;
  // The second-level list and the first-level item it belongs to.
  virtual StatusListC& SubItems() = 0;
  virtual const StatusListC& SubItems() const = 0;
  virtual size_t SubItemsParent() const = 0;
  // Starts a new second-level list (empty) under first-level item `parent`.
  virtual StatusListC& StartSubItems(size_t parent) = 0;

  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetProgressText(const std::string& text) = 0;
  virtual void SetProgressMax(uint64_t max) = 0;
  virtual void SetProgress(uint64_t value) = 0;
  virtual void IncrementProgress() = 0;
  virtual const std::string& StatusText() const = 0;
  virtual const std::string& ProgressText() const = 0;
  virtual uint64_t ProgressMax() const = 0;
  virtual uint64_t Progress() const = 0;

  virtual void SetShow(bool show) = 0;
  virtual bool GetShow() const = 0;
  // Shows the lists as they are now.
  virtual void Update() = 0;
};

// How a window reaches the person; the window tells it what kind of change happened.
class ProgressViewI {
 public:
  virtual ~ProgressViewI() = default;
  // The lists or the texts changed.
  virtual void Changed(const ProgressInteractionI& window) = 0;
  // Only the progress value changed: called often, must stay cheap.
  virtual void ProgressChanged(const ProgressInteractionI& window) = 0;
  // The window is being hidden (or goes away).
  virtual void Hidden() = 0;
};

class ProgressInteractionC : public ProgressInteractionI {
 public:
  // `view` may be null: a window that nobody sees still keeps its lists.
  ProgressInteractionC(std::string title, std::unique_ptr<ProgressViewI> view);
  ~ProgressInteractionC() override;

  const std::string& Title() const override { return title_; }
  StatusListC& Items() override { return items_; }
  const StatusListC& Items() const override { return items_; }
  StatusListC& SubItems() override { return subItems_; }
  const StatusListC& SubItems() const override { return subItems_; }
  size_t SubItemsParent() const override { return subParent_; }
  StatusListC& StartSubItems(size_t parent) override;

  void SetStatusText(const std::string& text) override;
  void SetProgressText(const std::string& text) override;
  void SetProgressMax(uint64_t max) override;
  void SetProgress(uint64_t value) override;
  void IncrementProgress() override;
  const std::string& StatusText() const override { return statusText_; }
  const std::string& ProgressText() const override { return progressText_; }
  uint64_t ProgressMax() const override { return max_; }
  uint64_t Progress() const override { return value_; }

  void SetShow(bool show) override;
  bool GetShow() const override { return show_; }
  void Update() override;

 private:
  std::string title_;
  std::unique_ptr<ProgressViewI> view_;
  StatusListC items_, subItems_;
  size_t subParent_ = 0;
  std::string statusText_, progressText_;
  uint64_t max_ = 0, value_ = 0;
  bool show_ = true;
};
