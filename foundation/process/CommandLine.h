#pragma once
// CommandLineC: the argument vector of an external command. Argument 0 names the program; the
// arguments reach the program exactly as given (no shell, no splitting, no quoting).

#include <cstddef>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "foundation/core/Text.h"

class CommandLineC {
 public:
  CommandLineC() = default;
  CommandLineC(std::initializer_list<StringC> args) : args_(args) {}
  explicit CommandLineC(StringArrayC args) : args_(std::move(args)) {}

  CommandLineC& Add(StringC arg) {
    args_.push_back(std::move(arg));
    return *this;
  }
  void Clear() { args_.clear(); }

  size_t GetCount() const { return args_.size(); }
  bool IsEmpty() const { return args_.empty(); }
  const StringC& operator[](size_t i) const { return args_[i]; }
  const StringArrayC& GetArgs() const { return args_; }

  // The display form for traces and messages: the arguments joined by blanks, where an argument
  // that is empty or holds blanks or quotes is shown in double quotes with '"' and '\' escaped,
  // so that the reader sees where each argument starts and ends.
  StringC ToString() const;

  bool operator==(const CommandLineC& o) const { return args_ == o.args_; }
  bool operator!=(const CommandLineC& o) const { return args_ != o.args_; }

 private:
  StringArrayC args_;
};
