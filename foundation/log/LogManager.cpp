#include "foundation/log/LogManager.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "foundation/core/Text.h"
#include "foundation/log/LogDynamicProxyLogger.h"
#include "foundation/log/LogFileLogger.h"
#include "foundation/log/LogSettings.h"
#include "foundation/messages/EarlyLog.h"

namespace {

constexpr char kModuleSeparator = ';';
constexpr const char* kLogCatalogFile = "system/hxlog.cat";
constexpr int kGeneralLetter = 'G';
constexpr int kEarlyNumber = 0;

std::atomic<log_LogManagerI*> s_instance{nullptr};
std::mutex s_instanceLock;

uint32_t ReadFlags() {
  const std::string text = hx::Trim(hx::LogSetting(hx::kLogFlags));
  uint64_t flags = hx::kDefaultLogFlags;
  if (text.empty() || !hx::ParseUInt64(text, flags)) return hx::kDefaultLogFlags;
  return static_cast<uint32_t>(flags);
}

void WriteEarlyLine(int32_t id, const char* text, const hx::ArgListC& args) {
  log_LogManagerC::Instance()->LogArgs(kGeneralLetter, kEarlyNumber, hx::LogSetOf(id), hx::LogNumberOf(id), text, args);
}

}  // namespace

namespace hx {
void SetEarlyLogReady(bool ready) { SetEarlyLogWriter(ready ? &WriteEarlyLine : nullptr); }
}  // namespace hx

log_LogManagerI* log_LogManagerC::Instance() {
  log_LogManagerI* m = s_instance.load(std::memory_order_acquire);
  if (m != nullptr) return m;
  std::lock_guard<std::mutex> g(s_instanceLock);
  m = s_instance.load(std::memory_order_acquire);
  if (m == nullptr) {
    hx::EarlyLogBusyC settingUp;  // the log cannot report on itself yet
    auto* created = new log_LogManagerC;
    created->Initialize();
    m = created;
    s_instance.store(m, std::memory_order_release);
  }
  return m;
}

void log_LogManagerC::DllInstance(log_LogManagerI* manager) {
  if (manager != nullptr) manager->AddRef();
  log_LogManagerI* old;
  {
    std::lock_guard<std::mutex> g(s_instanceLock);
    old = s_instance.exchange(manager, std::memory_order_acq_rel);
  }
  if (old != nullptr) old->Release();
}

void log_LogManagerC::ReleaseInstance(unsigned char /*flag*/) { DllInstance(nullptr); }

std::string log_LogManagerC::GetMsgCatPath() {
  const std::string path = hx::LogSetting(hx::kLogMsgCatPath);
  if (!path.empty()) return path;
  std::string program = hx::LogSetting(hx::kProgramPath);
  if (!program.empty()) program.push_back('/');
  return program + kLogCatalogFile;
}

log_LogManagerC::log_LogManagerC() : catalog_(std::make_unique<log_CatalogC>(GetMsgCatPath())) {}

log_LogManagerC::~log_LogManagerC() { Finalize(); }

void log_LogManagerC::Initialize() {
  const std::string level = hx::LogSetting(hx::kLogLevel, hx::kDefaultLogLevel);
  const std::string modules = hx::LogSetting(hx::kLogModules, hx::kDefaultLogModules);
  flags_ = ReadFlags();
  for (const std::string& piece : hx::Split(modules, kModuleSeparator)) {
    const std::string name = hx::Trim(piece);
    std::unique_ptr<log_LoggerC> logger;
    if (hx::EqualsNoCase(name, log_LogFileLoggerC::kName)) {
      logger = std::make_unique<log_LogFileLoggerC>();
    } else {
      logger = std::make_unique<log_LogDynamicProxyLoggerC>(name);
    }
    // A module that does not load is skipped (a refused one was reported); a name given twice counts once.
    HX_IGNORE_RESULT(AddLogInstance(std::make_unique<log_LogInstanceC>(std::move(logger), level)));
  }
}

long log_LogManagerC::AddRef() { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

long log_LogManagerC::Release() {
  const long left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

bool log_LogManagerC::Accepts(int letter, int number) const {
  return !IsSuppressed() && hx::LetterBitSet(accepted_, letter, number);
}

int32_t log_LogManagerC::LogArgs(int letter, int number, uint32_t set, uint32_t msgNumber, const char* text,
                                 hx::ArgListC args) {
  if (IsSuppressed()) return hx::RC_FAIL;
  if (!hx::LetterBitSet(accepted_, letter, number)) return hx::RC_OK;
  log_LogEntryC entry(catalog_.get(), letter, number, set, msgNumber, text, std::move(args), flags_);
  entry.Format();
  for (const auto& instance : instances_)
    if (instance->Accepts(letter, number)) instance->Logger().Log(entry);
  return hx::RC_OK;
}

int32_t log_LogManagerC::Log(const char* text) {
  return Log(kGeneralLetter, 0, hx::kMsgLogFreeText, hx::kTxtLogFreeText, text);
}

int32_t log_LogManagerC::GetTextForResult(long id, char** out) {
  if (out == nullptr || catalog_ == nullptr) return hx::RC_FAIL;
  ErrSevT sev;
  const std::string text = catalog_->GetMessage(sev, static_cast<int32_t>(id), "");
  *out = strdup(text.c_str());
  return *out != nullptr ? hx::RC_OK : hx::RC_NO_RESOURCE;
}

int32_t log_LogManagerC::SuppressLogging() {
  suppressed_.store(true, std::memory_order_release);
  catalog_.reset();
  return hx::RC_OK;
}

bool log_LogManagerC::AddLogInstance(std::unique_ptr<log_LogInstanceC> instance) {
  if (instance == nullptr || !instance->Logger().IsValid()) return false;
  for (const auto& present : instances_)
    if (present->Name() == instance->Name()) return false;
  instances_.push_back(std::move(instance));
  UpdateAccepted();
  return true;
}

std::unique_ptr<log_LogInstanceC> log_LogManagerC::RemoveLogInstance(const log_LogInstanceC* instance) {
  for (auto it = instances_.begin(); it != instances_.end(); ++it) {
    if (it->get() == instance) {
      std::unique_ptr<log_LogInstanceC> removed = std::move(*it);
      instances_.erase(it);
      UpdateAccepted();
      return removed;
    }
  }
  return nullptr;
}

void log_LogManagerC::Finalize() {
  instances_.clear();
  UpdateAccepted();
}

void log_LogManagerC::UpdateAccepted() {
  hx::LetterMasksT all{};
  for (const auto& instance : instances_)
    for (size_t i = 0; i < all.size(); ++i) all[i] |= instance->Masks()[i];
  accepted_ = all;
}
