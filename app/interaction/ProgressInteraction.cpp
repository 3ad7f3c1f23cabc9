#include "app/interaction/ProgressInteraction.h"

ProgressInteractionC::ProgressInteractionC(std::string title, std::unique_ptr<ProgressViewI> view)
    : title_(std::move(title)), view_(std::move(view)) {}

ProgressInteractionC::~ProgressInteractionC() = default;

StatusListC& ProgressInteractionC::StartSubItems(size_t parent) {
  subItems_.Clear();
  subParent_ = parent;
  return subItems_;
}

void ProgressInteractionC::SetStatusText(const std::string& text) {
  if (text == statusText_) return;
  statusText_ = text;
  Update();
}

void ProgressInteractionC::SetProgressText(const std::string& text) {
  if (text == progressText_) return;
  progressText_ = text;
  Update();
}

void ProgressInteractionC::SetProgressMax(uint64_t max) {
  if (max == max_) return;
  max_ = max;
  Update();
}

void ProgressInteractionC::SetProgress(uint64_t value) {
  if (value == value_) return;
  value_ = value;
  if (view_ && show_) view_->ProgressChanged(*this);
}

void ProgressInteractionC::IncrementProgress() {
  ++value_;
  if (view_ && show_) view_->ProgressChanged(*this);
}

void ProgressInteractionC::SetShow(bool show) {
  if (show == show_) return;
  show_ = show;
  if (!view_) return;
  if (show_) view_->Changed(*this);
  else view_->Hidden();
}

void ProgressInteractionC::Update() {
  if (view_ && show_) view_->Changed(*this);
}
