#include "foundation/process/OutputStream.h"

#include <algorithm>

hx::ResultT LineOutputStreamC::Emit(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return WriteLine(line);
}

hx::ResultT LineOutputStreamC::Write(const void* data, size_t length) {
  // A failing line does not stop the others: the first failure is returned at the end.
  std::string_view in(static_cast<const char*>(data), length);
  hx::ResultT first = hx::RC_OK;
  while (!in.empty()) {
    const size_t nl = in.find('\n');
    if (partial_.size() + std::min(nl, in.size()) > hx::c_MaxOutputLine) {
      partial_.clear();
      return hx::RC_PROC_OUTPUT_LIMIT;
    }
    if (nl == std::string_view::npos) {
      partial_.append(in);
      break;
    }
    hx::ResultT rc;
    if (partial_.empty()) {
      rc = Emit(in.substr(0, nl));
    } else {
      partial_.append(in.substr(0, nl));
      rc = Emit(partial_);
      partial_.clear();
    }
    in.remove_prefix(nl + 1);
    if (hx::Failed(rc) && hx::Succeeded(first)) first = rc;
  }
  return first;
}

hx::ResultT LineOutputStreamC::Flush() {
  if (partial_.empty()) return hx::RC_OK;
  const std::string last = std::move(partial_);
  partial_.clear();
  return Emit(last);
}
