#pragma once
// Byte streams that the command runner hands a child's output to (OutputStreamC), and the input
// counterpart that a child's standard input could one day be fed from (InputStreamC; the runner
// does not support it yet).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/core/Result.h"

// An abstract sink of bytes.
class OutputStreamC {
 public:
  virtual ~OutputStreamC() = default;
  // Takes `length` bytes; returns 0 or a failure code.
  virtual hx::ResultT Write(const void* data, size_t length) = 0;
};

// An abstract source of bytes.
class InputStreamC {
 public:
  virtual ~InputStreamC() = default;
  // Reads at most `length` bytes into `data`; `got` receives the count, 0 at the end.
  virtual hx::ResultT Read(void* data, size_t length, size_t& got) = 0;
};

// Collects everything written into one byte buffer.
class MemoryOutputStreamC : public OutputStreamC {
 public:
  explicit MemoryOutputStreamC(size_t initialCapacity = c_DefaultCapacity) { data_.reserve(initialCapacity); }

  hx::ResultT Write(const void* data, size_t length) override {
    data_.append(static_cast<const char*>(data), length);
    return hx::RC_OK;
  }

  const std::string& GetData() const { return data_; }
  size_t GetSize() const { return data_.size(); }
  // Hands the collected bytes over without copying; the stream is empty afterwards.
  std::string TakeData() { return std::move(data_); }
  void Clear() { data_.clear(); }

  static constexpr size_t c_DefaultCapacity = 1024;

 private:
  std::string data_;
};

// Cuts the bytes written into text lines and hands each line, without its line end ("\n" or
// "\r\n"), to WriteLine as soon as it is complete, so a long tool output is parsed while it
// arrives instead of being kept whole. Call Flush after the last Write to get a final line that
// has no line end.
class LineOutputStreamC : public OutputStreamC {
 public:
  hx::ResultT Write(const void* data, size_t length) override;
  hx::ResultT Flush();

 protected:
  virtual hx::ResultT WriteLine(std::string_view line) = 0;

 private:
  hx::ResultT Emit(std::string_view line);
  std::string partial_;  // the bytes after the last line end seen
};
