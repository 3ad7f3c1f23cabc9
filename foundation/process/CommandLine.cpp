#include "foundation/process/CommandLine.h"

namespace {

bool NeedsQuotes(const StringC& arg) {
  if (arg.empty()) return true;
  for (char c : arg) {
    if (hx::IsBlank(c) || c == '"' || c == '\'' || c == '\\') return true;
  }
  return false;
}

void AppendQuoted(StringC& out, const StringC& arg) {
  out.push_back('"');
  for (char c : arg) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
}

}  // namespace

StringC CommandLineC::ToString() const {
  StringC out;
  for (size_t i = 0; i < args_.size(); ++i) {
    if (i) out.push_back(' ');
    if (NeedsQuotes(args_[i])) {
      AppendQuoted(out, args_[i]);
    } else {
      out += args_[i];
    }
  }
  return out;
}
