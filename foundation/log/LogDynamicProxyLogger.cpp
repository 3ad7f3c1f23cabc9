#include "foundation/log/LogDynamicProxyLogger.h"

#include <dlfcn.h>

#include <cstdlib>

#include "foundation/core/FileName.h"
#include "foundation/core/SecureURL.h"
#include "foundation/files/Trust.h"
#include "foundation/messages/ErrCatSwitch.h"
#include "foundation/messages/TrustRefusal.h"
#include "foundation/trace/ProgramInfo.h"

namespace {

constexpr const char* kModulePrefix = "libhxl";
constexpr const char* kModuleSuffix = ".so";

template <typename F>
F Symbol(void* module, const char* name) {
  return reinterpret_cast<F>(dlsym(module, name));
}

}  // namespace

std::vector<std::string> log_LogDynamicProxyLoggerC::Candidates(const std::string& name) {
  if (name.find('/') != std::string::npos) return {name};
  const std::string file = kModulePrefix + name + kModuleSuffix;
  std::vector<std::string> paths;
  // The install directory as the configuration names it (an installed agent keeps its modules
  // in a directory of its own), else as the environment does.
  const std::string install = hx::GetInstallDir();
  if (!install.empty()) paths.push_back(FileNameC(install).append("lib").append(file).str());
  const std::string program = hx::ExecutablePath();
  if (!program.empty()) {
    const std::string programDir = FileNameC(program).directory();
    paths.push_back(FileNameC(FileNameC(programDir).directory()).append("lib").append(file).str());
  }
  paths.push_back(file);  // the dynamic linker's search path
  return paths;
}

log_LogDynamicProxyLoggerC::log_LogDynamicProxyLoggerC(const std::string& name) : log_LoggerC(name) {
  if (name.empty()) return;
  for (const std::string& candidate : Candidates(name)) {
    // A module that is there but not trusted is refused, on standard error since the log is
    // what is being set up; one that is missing is simply looked for further.
    const std::string resolved = hx::ResolveLoadableLibrary(candidate);
    hx::TrustFailureT failure;
    const hx::ResultT trust = hx::CheckLoadableLibrary(resolved, &failure);
    if (trust == hx::RC_UNTRUSTED) hx::ReportRefusal(failure, true);
    if (hx::Failed(trust)) continue;
    module_ = dlopen(resolved.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module_ != nullptr) {
      path_ = candidate;
      break;
    }
  }
  if (module_ == nullptr) return;
  initialize_ = Symbol<HxlLogInitializeF>(module_, "HxlLogInitialize");
  log_ = Symbol<HxlLogF>(module_, "HxlLog");
  finalize_ = Symbol<HxlLogFinalizeF>(module_, "HxlLogFinalize");
  preferedLevel_ = Symbol<HxlLogPreferedLogLevelF>(module_, "HxlLogPreferedLogLevel");
  if (initialize_ != nullptr) initialize_();
}

log_LogDynamicProxyLoggerC::~log_LogDynamicProxyLoggerC() {
  if (module_ == nullptr) return;
  if (finalize_ != nullptr) finalize_();
  dlclose(module_);
}

std::string log_LogDynamicProxyLoggerC::GetPreferedLogLevel(const std::string& level) {
  if (preferedLevel_ == nullptr) return level;
  const char* preferred = preferedLevel_(level.c_str());
  return preferred != nullptr ? std::string(preferred) : level;
}

void log_LogDynamicProxyLoggerC::Log(const log_LogEntryC& entry) {
  if (log_ == nullptr) return;
  std::vector<std::string> argTexts;
  argTexts.reserve(entry.RawArgs().size());
  for (const hx::ArgC& a : entry.RawArgs()) argTexts.push_back(a.asText());
  std::vector<const char*> argPtrs;
  argPtrs.reserve(argTexts.size());
  for (const std::string& t : argTexts) argPtrs.push_back(t.c_str());

  HxlLogRawDataT raw{};
  raw.size = sizeof raw;
  raw.text = entry.RawText().c_str();
  raw.argCount = static_cast<uint32_t>(argPtrs.size());
  raw.args = argPtrs.empty() ? nullptr : argPtrs.data();
  const std::string text = log_SecureURLString(entry.Text());
  log_(entry.Set(), entry.Number(), static_cast<int>(entry.Severity()), text.c_str(), &entry.Header(), &raw);
}
