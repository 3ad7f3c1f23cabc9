#include "foundation/log/Logger.h"

log_LogInstanceC::log_LogInstanceC(std::unique_ptr<log_LoggerC> logger, const std::string& level)
    : logger_(std::move(logger)) {
  // A level that cannot be read in full keeps what was read of it: the log still starts.
  HX_IGNORE_RESULT(SetFilter(logger_->GetPreferedLogLevel(level)));
}

bool log_LogInstanceC::SetFilter(std::string_view level) {
  masks_.fill(0);
  return hx::ApplyLetterList(level, true, masks_);
}
