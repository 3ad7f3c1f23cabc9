#include "hardware/framework/HWClass_Unix.h"

#include <cstring>

#include "foundation/process/RunCommand.h"
#include "foundation/time/IsoDateTime.h"

namespace {

constexpr int c_DateFields = 3;
constexpr int64_t c_MaxMonth = 12;
constexpr int64_t c_MaxDay = 31;
// Two-digit years: up to this one are in the 2000s, the rest of them in the 1900s.
constexpr int64_t c_LastYearOf2000s = 70;
constexpr int64_t c_TwoDigitYears = 100;
constexpr int64_t c_Century20 = 1900;
constexpr int64_t c_Century21 = 2000;
// Far beyond the last representable year (dates clamp there anyway), and safe to narrow.
constexpr int64_t c_YearLimit = 9999;

}  // namespace

hx::ResultT HWClass_Unix::PopulateInstance(RefM<HWInstance> instance) {
  if (!instance) return hx::RC_INVALID_ARG;
  instance->AddProperty(c_Name, instance->GetName());
  return hx::RC_OK;
}

hx::ResultT HWClass_Unix::RunCommand(const CommandLineC& commandLine, StringArrayC& lines,
                                     std::chrono::milliseconds timeLimit) {
  hx::ToolEndC end;
  const hx::ResultT rc = hx::RunCommandLines(commandLine, lines, &end, timeLimit);
  hx::LogToolFailure(commandLine, end);
  return rc;
}

StringC HWClass_Unix::ToStringCN(const char* text, unsigned length, EncodingE encoding) {
  if (text == nullptr) return StringC();
  const void* zero = std::memchr(text, '\0', length);
  const size_t n = zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - text) : length;
  const std::string_view raw(text, n);
  switch (encoding) {
    case Latin1: return hx::Trim(hx::Latin1ToUtf8(raw));
    case Utf8: return hx::Trim(hx::ToValidUtf8(raw));
    case System8: break;
  }
  return hx::Trim(hx::Sys8ToUtf8(raw));
}

StringC HWClass_Unix::ToIsoDateTime(const StringC& text) {
  if (text.empty()) return StringC();
  const StringArrayC fields = hx::Split(text.substr(0, text.find(' ')), '/');
  if (fields.size() != c_DateFields) return StringC();
  int64_t month = 0, day = 0, year = 0;
  if (!hx::ParseInt64(fields[0], month) || !hx::ParseInt64(fields[1], day) || !hx::ParseInt64(fields[2], year))
    return StringC();
  if (month < 1 || month > c_MaxMonth || day < 1 || day > c_MaxDay) return StringC();
  if (year <= c_LastYearOf2000s) year += c_Century21;
  else if (year < c_TwoDigitYears) year += c_Century20;
  else if (year > c_YearLimit) year = c_YearLimit;
  const IsoDateTimeC value(static_cast<int32_t>(year), static_cast<int32_t>(month), static_cast<int32_t>(day), 0, 0, 0,
                           IsoTimeC::LocalTime, IsoDateTimeC::c_NoOffset);
  // A day the month does not have (February 30th) is no date: the text is then only partly
  // written and is not used.
  StringC iso;
  if (hx::Failed(value.toString(&iso, false))) return StringC();
  return iso;
}

hx::ResultT HWClass_Unix::AddSingleInstance(HWInstanceListT& instances, const StringC& className,
                                            const StringC& name) {
  RefM<HWInstance> instance = MakeInstance(className, name);
  const hx::ResultT r = PopulateInstance(instance);
  instances.push_back(instance);
  return r;
}

RefM<HWInstance> HWClass_Unix::MakeInstance(const StringC& className, const StringC& name) {
  return RefM<HWInstance>(new HWInstance(className, name, StringC()));
}
