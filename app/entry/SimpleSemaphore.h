#pragma once
// The single-instance lock of the tracker: a counting semaphore shared by every tracker process
// on the machine. SimpleSemaphoreC is the abstract lock; UNIXSimpleSemaphoreC keeps it in a
// System V semaphore set keyed by a hash of its name.
//
// Protocol of the System V set (every process that shares the lock must follow it exactly):
//   key      hash of the name: start with the code of the first character, then for every
//            character in order, the first one included, hash = hash * 31 + code (32 bits,
//            wrapping). The first character is thus folded in twice.
//   create   semget(key, 1, IPC_CREAT | IPC_EXCL | 0600); the creator sets semaphore 0 to the
//            initial value and then adds 1 with one semop, so the value becomes initial + 1
//            and the set's last-operation time turns non-zero.
//   join     when the set exists already: semget(key, 1, 0), then up to 10 times (1 second
//            apart) wait for a non-zero last-operation time, the sign that its creator has
//            initialised it; after the tenth try initialise it here.
//   trust    a set is joined only when its owner and its creator are root or the running user
//            and nobody else may alter it (no write bit for group or others). Anyone who may
//            alter the set can block every run (take the unit and keep it) or let several in
//            at once (raise its value). Root removes a set it does not trust and makes a fresh
//            one; any other user refuses to run on it (EACCES).
//   lock     semop -1 with SEM_UNDO (blocking, or IPC_NOWAIT as well); unlock +1 with SEM_UNDO.
//            The undo hands the lock back when a process dies holding it.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

class SimpleSemaphoreC {
 public:
  // A new lock object of the platform's kind, never a shared instance; the caller deletes it.
  static SimpleSemaphoreC* GetSemaphore(const StringC& name, long initial, long maximum);

  virtual ~SimpleSemaphoreC() = default;
  SimpleSemaphoreC(const SimpleSemaphoreC&) = delete;
  SimpleSemaphoreC& operator=(const SimpleSemaphoreC&) = delete;

  // Each answers true exactly when the operation succeeded; on failure errno says why.
  HX_NODISCARD virtual bool ObtainResource() = 0;    // blocks while another holder has it
  HX_NODISCARD virtual bool ReleaseResource() = 0;
  HX_NODISCARD virtual bool ObtainResourceNB() = 0;  // does not block

  const StringC& GetName() const { return name_; }
  // The set met under the lock's key that was not trusted, in words ("owned by user 1001
  // (mallory), made by user 1001, with mode 0666"), "" when there was none.
  const std::string& ForeignSet() const { return foreign_; }
  // Whether that set was removed and replaced by a fresh one of this process.
  bool ReplacedForeignSet() const { return replaced_; }
  // The longest wait of ObtainResource in seconds (0: no limit). A wait that runs out fails
  // with errno EAGAIN: a lock that another user's process took and never gives back must not
  // keep every later run waiting for ever.
  void SetWaitLimit(long seconds) { waitLimit_ = seconds > 0 ? seconds : 0; }

 protected:
  SimpleSemaphoreC(const StringC& name, int32_t initial, int32_t maximum)
      : name_(name), initial_(initial), maximum_(maximum) {}

  StringC name_;
  int32_t initial_;
  int32_t maximum_;  // kept for other platforms; a System V set does not need it
  long waitLimit_ = 0;
  std::string foreign_;
  bool replaced_ = false;
};

class UNIXSimpleSemaphoreC : public SimpleSemaphoreC {
 public:
  // Tries each initialisation of the join step this often, one second apart.
  static constexpr int c_InitialiseTries = 10;

  // Opens (or creates) the set. A failure other than an existing set is reported through the
  // error buffer and leaves the id at -1.
  UNIXSimpleSemaphoreC(const StringC& name, int32_t initial, int32_t maximum);

  HX_NODISCARD bool ObtainResource() override;
  HX_NODISCARD bool ReleaseResource() override;
  HX_NODISCARD bool ObtainResourceNB() override;

  // The System V key of a name (see the protocol above).
  static key_t KeyOf(std::string_view name);
  // The semaphore-set id, -1 when there is none.
  int32_t GetId() const { return id_; }

 private:
  void Open();
  bool Trusted();
  bool Initialise();
  HX_NODISCARD bool WaitForInitialised();
  HX_NODISCARD bool Operate(short delta, short flags);
  HX_NODISCARD bool OperateWithin(short delta, short flags, long seconds);

  int32_t id_ = -1;
  int openError_ = 0;  // why there is no set; what a lock operation then fails with
};
