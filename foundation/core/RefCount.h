#pragma once
// Counted objects. An object derived from RefCountC starts with a count of 0; whoever makes it
// takes the first reference (usually by putting it into a RefM), and the last Release deletes
// it. Counts change atomically so that a reference may be dropped on any thread.

#include <atomic>
#include <cstdint>
#include <utility>

class RefCountC {
 public:
  RefCountC() = default;
  RefCountC(const RefCountC&) : count_(0) {}
  RefCountC& operator=(const RefCountC&) { return *this; }

  long AddRef() const { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
  long Release() const {
    const long left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }
  long RefCount() const { return count_.load(std::memory_order_relaxed); }

 protected:
  virtual ~RefCountC() = default;

 private:
  mutable std::atomic<long> count_{0};
};

// Holds one counted reference on an object that has AddRef and Release (a RefCountC or a
// component). Copying adds a reference, destruction releases it.
template <typename T>
class RefM {
 public:
  RefM() = default;
  RefM(T* p) : p_(p) { if (p_) p_->AddRef(); }
  RefM(const RefM& o) : p_(o.p_) { if (p_) p_->AddRef(); }
  RefM(RefM&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <typename U>
  RefM(const RefM<U>& o) : p_(o.get()) { if (p_) p_->AddRef(); }
  ~RefM() { reset(); }

  RefM& operator=(const RefM& o) {
    RefM(o).swap(*this);
    return *this;
  }
  RefM& operator=(RefM&& o) noexcept {
    RefM(std::move(o)).swap(*this);
    return *this;
  }
  RefM& operator=(T* p) {
    RefM(p).swap(*this);
    return *this;
  }

  // Takes over a reference that the caller already holds (no AddRef).
  static RefM Adopt(T* p) {
    RefM r;
    r.p_ = p;
    return r;
  }
  // Gives up the reference without releasing it.
  T* detach() { return std::exchange(p_, nullptr); }
  // For a call that hands out a new reference through an out parameter: the old reference is
  // released and the call's is taken over as it stands.
  T** put() {
    reset();
    return &p_;
  }

  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  void swap(RefM& o) noexcept { std::swap(p_, o.p_); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  bool operator==(const RefM& o) const { return p_ == o.p_; }
  bool operator!=(const RefM& o) const { return p_ != o.p_; }

 private:
  T* p_ = nullptr;
};
