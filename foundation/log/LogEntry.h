#pragma once
// One logged message on its way to the loggers: the finished text with its severity, the raw
// text and arguments it was made from, and the header of time and process data.

#include <cstdint>
#include <string>

#include "foundation/core/Format.h"
#include "foundation/log/LogModule.h"
#include "foundation/messages/Errors.h"

class log_CatalogC;

class log_LogEntryC {
 public:
  // `catalog` may be null (no lookup: the default text is used); it must outlive the entry.
  log_LogEntryC(const log_CatalogC* catalog, int letter, int number, uint32_t set, uint32_t msgNumber,
                const char* text, hx::ArgListC args, uint32_t flags);

  // Looks the text up, fills in the arguments and takes the time and the process data.
  void Format();

  const log_CatalogC* Catalog() const { return catalog_; }
  ErrSevT Severity() const { return severity_; }
  uint32_t Set() const { return set_; }
  uint32_t Number() const { return msgNumber_; }
  int Letter() const { return letter_; }
  int SubLevel() const { return number_; }
  const std::string& Text() const { return text_; }
  const std::string& RawText() const { return rawText_; }
  const hx::ArgListC& RawArgs() const { return args_; }
  const HxlLogHeaderT& Header() const { return header_; }

 private:
  const log_CatalogC* catalog_;
  ErrSevT severity_ = ErrSevError;
  uint32_t set_, msgNumber_;
  std::string text_;
  std::string rawText_;
  hx::ArgListC args_;
  HxlLogHeaderT header_{};
  int letter_, number_;
};
