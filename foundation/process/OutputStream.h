#pragma once
// Byte streams that the command runner hands a child's output to (OutputStreamC), and the input
// counterpart that a child's standard input could one day be fed from (InputStreamC; the runner
// does not support it yet).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace hx {

// What a stream answers when it takes no more of a tool's output: the runner then ends the tool.
constexpr ResultT RC_PROC_OUTPUT_LIMIT = ToResult(MSGSET_PROCESS | 0x0004u);

// The most of one tool's output kept in memory. A tool that prints endlessly would otherwise
// grow the tracker until the system fails.
constexpr size_t c_MaxCapturedOutput = size_t{16} << 20;
// The longest line a line-by-line reader takes: the total it reads is unbounded (package lists
// run to tens of megabytes), but one line must fit in memory.
constexpr size_t c_MaxOutputLine = size_t{1} << 20;

}  // namespace hx

// An abstract sink of bytes.
class OutputStreamC {
 public:
  virtual ~OutputStreamC() = default;
  // Takes `length` bytes; returns 0 or a failure code.
  HX_NODISCARD virtual hx::ResultT Write(const void* data, size_t length) = 0;
};

// An abstract source of bytes.
class InputStreamC {
 public:
  virtual ~InputStreamC() = default;
  // Reads at most `length` bytes into `data`; `got` receives the count, 0 at the end.
  HX_NODISCARD virtual hx::ResultT Read(void* data, size_t length, size_t& got) = 0;
};

// Collects everything written into one byte buffer, up to a limit: a write that would pass it
// is refused whole with RC_PROC_OUTPUT_LIMIT.
class MemoryOutputStreamC : public OutputStreamC {
 public:
  explicit MemoryOutputStreamC(size_t initialCapacity = c_DefaultCapacity, size_t limit = hx::c_MaxCapturedOutput)
      : limit_(limit) {
    data_.reserve(initialCapacity);
  }

  HX_NODISCARD hx::ResultT Write(const void* data, size_t length) override {
    if (length > limit_ - data_.size()) return hx::RC_PROC_OUTPUT_LIMIT;
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
  size_t limit_;
  std::string data_;
};

// Cuts the bytes written into text lines and hands each line, without its line end ("\n" or
// "\r\n"), to WriteLine as soon as it is complete, so a long tool output is parsed while it
// arrives instead of being kept whole. Call Flush after the last Write to get a final line that
// has no line end. A line longer than hx::c_MaxOutputLine is dropped and the write answers
// RC_PROC_OUTPUT_LIMIT.
class LineOutputStreamC : public OutputStreamC {
 public:
  HX_NODISCARD hx::ResultT Write(const void* data, size_t length) override;
  HX_NODISCARD hx::ResultT Flush();

 protected:
  HX_NODISCARD virtual hx::ResultT WriteLine(std::string_view line) = 0;

 private:
  HX_NODISCARD hx::ResultT Emit(std::string_view line);
  std::string partial_;  // the bytes after the last line end seen
};
