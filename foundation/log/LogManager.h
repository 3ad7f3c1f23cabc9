#pragma once
// The process-wide log manager. Code logs a message by category letter, number, message id and
// default text; the manager makes a log entry of it (catalog text, arguments filled in, time
// and process data) and gives it to every log instance whose filter accepts it. Instances are
// made at start from the LogModules setting: "default" is the log file, any other name a
// loadable logger module.
//
// Instances are set up while the program starts and taken down at its end; in between, logging
// from several threads is safe, changing the instances is not.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/core/Format.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/log/LogCatalog.h"
#include "foundation/log/LogMessages.h"
#include "foundation/log/Logger.h"
#include "foundation/trace/LetterMasks.h"

class log_LogManagerI {
 public:
  virtual long AddRef() = 0;
  virtual long Release() = 0;
  // Logs `text` as it stands (letter G, number 0, message 0xE0010001).
  virtual int32_t Log(const char* text) = 0;
  // The catalog text of `id` (empty when it has none) in a string allocated with malloc, which
  // the caller frees. RC_FAIL when `out` is null or there is no catalog.
  HX_NODISCARD virtual int32_t GetTextForResult(long id, char** out) = 0;
  // Logs message `msgNumber` of `set`. 0, or RC_FAIL when logging is suppressed.
  virtual int32_t LogArgs(int letter, int number, uint32_t set, uint32_t msgNumber, const char* text,
                          hx::ArgListC args) = 0;
  // Drops the catalog; every later Log returns RC_FAIL and writes nothing.
  virtual int32_t SuppressLogging() = 0;
  // Whether an entry of this letter and number would reach a logger (false once suppressed).
  virtual bool Accepts(int letter, int number) const = 0;
  virtual bool IsSuppressed() const = 0;

  // Logs message `id` (set and number taken from it). Nothing is formatted, not even the
  // arguments collected, unless some filter accepts the letter and number.
  template <typename... Args>
  int32_t Log(int letter, int number, int32_t id, const char* text, Args&&... args) {
    if (!Accepts(letter, number)) return IsSuppressed() ? hx::RC_FAIL : hx::RC_OK;
    return LogArgs(letter, number, hx::LogSetOf(id), hx::LogNumberOf(id), text,
                   hx::ArgListC{hx::ArgC(std::forward<Args>(args))...});
  }

 protected:
  virtual ~log_LogManagerI() = default;
};

class log_LogManagerC : public log_LogManagerI {
 public:
  // The process's manager, made (constructor, then Initialize) on the first call. The caller
  // gets no reference of its own.
  static log_LogManagerI* Instance();
  // Makes `manager` the process's manager (taking a reference) and releases the previous one.
  static void DllInstance(log_LogManagerI* manager);
  // Releases the process's manager; the next Instance() makes a new one. The flag is kept for
  // callers of the interface and has no effect.
  static void ReleaseInstance(unsigned char flag = 0);
  // LogMsgCatPath, else ProgramPath + "/" + "system/hxlog.cat".
  static std::string GetMsgCatPath();

  // Opens the catalog. The creator holds the first reference.
  log_LogManagerC();
  // Reads LogLevel, LogModules and LogFlags and adds an instance for every module.
  void Initialize();

  long AddRef() override;
  long Release() override;
  using log_LogManagerI::Log;
  int32_t Log(const char* text) override;
  HX_NODISCARD int32_t GetTextForResult(long id, char** out) override;
  int32_t LogArgs(int letter, int number, uint32_t set, uint32_t msgNumber, const char* text,
                  hx::ArgListC args) override;
  int32_t SuppressLogging() override;
  bool Accepts(int letter, int number) const override;
  bool IsSuppressed() const override { return suppressed_.load(std::memory_order_acquire); }

  // Adds an instance unless one of the same name is present or its logger is not valid; an
  // instance that is not added is destroyed. Returns whether it was added.
  HX_NODISCARD bool AddLogInstance(std::unique_ptr<log_LogInstanceC> instance);
  // Takes the instance out and hands it back; null when it is not one of ours.
  std::unique_ptr<log_LogInstanceC> RemoveLogInstance(const log_LogInstanceC* instance);
  // Removes and destroys all instances.
  void Finalize();

  size_t InstanceCount() const { return instances_.size(); }
  const log_LogInstanceC* GetInstance(size_t i) const { return i < instances_.size() ? instances_[i].get() : nullptr; }
  uint32_t Flags() const { return flags_; }

 private:
  ~log_LogManagerC() override;
  void UpdateAccepted();

  std::atomic<long> refs_{1};
  std::vector<std::unique_ptr<log_LogInstanceC>> instances_;
  std::unique_ptr<log_CatalogC> catalog_;
  std::atomic<bool> suppressed_{false};
  uint32_t flags_ = 0;
  hx::LetterMasksT accepted_{};  // what any instance accepts
};

namespace hx {

// Start-up says when the log is ready for the lines of the early log (foundation/messages/
// EarlyLog.h: kept lines are written then, as letter G, number 0) and when it goes.
void SetEarlyLogReady(bool ready);

// The one-line call site:  hx::Log('G', 0, kMsgInventoryStarted, "\x01\x01i\x01Inventory tracking started");
template <typename... Args>
int32_t Log(int letter, int number, int32_t id, const char* text, Args&&... args) {
  return log_LogManagerC::Instance()->Log(letter, number, id, text, std::forward<Args>(args)...);
}

}  // namespace hx
