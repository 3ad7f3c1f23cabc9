#include "app/entry/SimpleSemaphore.h"

#include <pwd.h>
#include <sys/ipc.h>
#include <sys/sem.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>

#include "foundation/messages/Errors.h"
#include "foundation/process/ToolLimits.h"
#include "foundation/trace/Tracer.h"

namespace {

// The owner alone may use the set: whoever may alter it controls who runs.
constexpr int c_Mode = 0600;
constexpr mode_t c_OthersMayAlter = 0022;
// A set removed as untrusted may be made again by its owner before this process makes its own;
// after this many rounds the run gives up rather than race for ever.
constexpr int c_CreateTries = 3;
constexpr int c_SemaphoreCount = 1;
constexpr unsigned short c_Semaphore = 0;
constexpr uint32_t c_HashFactor = 31;
constexpr unsigned c_TrySleepSeconds = 1;
constexpr const char* c_TraceCategory = "Tracker/Semaphore";
constexpr const char* c_ErrorText = "\x01\x01" "e\x01%1$s";

// The caller defines the argument of semctl on this platform.
union SemunT {
  int val;
  struct semid_ds* buf;
  unsigned short* array;
};

}  // namespace

SimpleSemaphoreC* SimpleSemaphoreC::GetSemaphore(const StringC& name, long initial, long maximum) {
  return new UNIXSimpleSemaphoreC(name, static_cast<int32_t>(initial), static_cast<int32_t>(maximum));
}

UNIXSimpleSemaphoreC::UNIXSimpleSemaphoreC(const StringC& name, int32_t initial, int32_t maximum)
    : SimpleSemaphoreC(name, initial, maximum) {
  Open();
}

key_t UNIXSimpleSemaphoreC::KeyOf(std::string_view name) {
  if (name.empty()) return 0;
  uint32_t hash = static_cast<unsigned char>(name.front());
  for (char c : name) hash = hash * c_HashFactor + static_cast<unsigned char>(c);
  return static_cast<key_t>(hash);
}

void UNIXSimpleSemaphoreC::Open() {
  const key_t key = KeyOf(name_);
  for (int round = 0; round < c_CreateTries && id_ == -1; ++round) {
    id_ = ::semget(key, c_SemaphoreCount, IPC_CREAT | IPC_EXCL | c_Mode);
    if (id_ != -1) {
      if (!Initialise()) id_ = -1;
      break;
    }
    if (errno != EEXIST) break;
    id_ = ::semget(key, c_SemaphoreCount, 0);
    if (id_ == -1) {
      if (errno == ENOENT || errno == EIDRM) continue;  // removed meanwhile: make it
      break;
    }
    if (Trusted()) {
      if (!WaitForInitialised() && !Initialise()) id_ = -1;
      break;
    }
    const bool removed = ::geteuid() == 0 && ::semctl(id_, c_Semaphore, IPC_RMID) == 0;
    id_ = -1;
    if (!removed) {
      errno = EACCES;
      break;
    }
    replaced_ = true;
  }
  if (id_ == -1) {
    openError_ = errno != 0 ? errno : EAGAIN;
    replaced_ = false;
    Error(hx::RcFromErrno(openError_), c_ErrorText, std::strerror(openError_));
  }
  hx::Trace(c_TraceCategory, "Semaphore '%1$s' key 0x%2$08X id %3$d\n", name_, static_cast<uint32_t>(key), id_);
}

// Whether the set may be joined; otherwise its owner, creator and mode go into foreign_.
bool UNIXSimpleSemaphoreC::Trusted() {
  struct semid_ds ds {};
  SemunT arg{};
  arg.buf = &ds;
  if (::semctl(id_, c_Semaphore, IPC_STAT, arg) == -1) {
    foreign_ = std::string("one this user may not examine (") + std::strerror(errno) + ")";
    return false;
  }
  const auto trustedUser = [](uid_t uid) { return uid == 0 || uid == ::geteuid(); };
  if (trustedUser(ds.sem_perm.uid) && trustedUser(ds.sem_perm.cuid) && (ds.sem_perm.mode & c_OthersMayAlter) == 0)
    return true;
  const auto who = [](uid_t uid) {
    const struct passwd* pw = ::getpwuid(uid);
    return "user " + std::to_string(uid) + (pw != nullptr ? std::string(" (") + pw->pw_name + ")" : std::string());
  };
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(ds.sem_perm.mode & 0777));
  foreign_ = "owned by " + who(ds.sem_perm.uid) + ", made by " + who(ds.sem_perm.cuid) + ", with mode " + mode;
  return false;
}

bool UNIXSimpleSemaphoreC::Initialise() {
  SemunT arg{};
  arg.val = initial_;
  if (::semctl(id_, c_Semaphore, SETVAL, arg) == -1) return false;
  // The +1 is what gives the set its last-operation time: joiners wait for exactly that.
  return Operate(+1, 0);
}

bool UNIXSimpleSemaphoreC::WaitForInitialised() {
  for (int i = 0; i < c_InitialiseTries; ++i) {
    struct semid_ds ds {};
    SemunT arg{};
    arg.buf = &ds;
    if (::semctl(id_, c_Semaphore, IPC_STAT, arg) != -1 && ds.sem_otime != 0) return true;
    ::sleep(c_TrySleepSeconds);
  }
  return false;
}

bool UNIXSimpleSemaphoreC::Operate(short delta, short flags) {
  if (id_ == -1) {
    errno = openError_;  // never 0: a run without its lock must not go on as if it had it
    return false;
  }
  struct sembuf op {};
  op.sem_num = c_Semaphore;
  op.sem_op = delta;
  op.sem_flg = flags;
  return ::semop(id_, &op, 1) == 0;
}

bool UNIXSimpleSemaphoreC::OperateWithin(short delta, short flags, long seconds) {
  if (id_ == -1) return Operate(delta, flags);
  struct sembuf op {};
  op.sem_num = c_Semaphore;
  op.sem_op = delta;
  op.sem_flg = flags;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      errno = EAGAIN;
      return false;
    }
    struct timespec wait {};
    wait.tv_sec = static_cast<time_t>(left.count() / 1000000000);
    wait.tv_nsec = static_cast<long>(left.count() % 1000000000);
    if (::semtimedop(id_, &op, 1, &wait) == 0) return true;
    // EAGAIN once the time has run out; EINTR ends the wait when the tracker is being stopped
    // (a stop signal), else the wait goes on for the time left.
    if (errno != EINTR || hx::ToolsStopped()) return false;
  }
}

bool UNIXSimpleSemaphoreC::ObtainResource() {
  return waitLimit_ > 0 ? OperateWithin(-1, SEM_UNDO, waitLimit_) : Operate(-1, SEM_UNDO);
}

bool UNIXSimpleSemaphoreC::ReleaseResource() { return Operate(+1, SEM_UNDO); }

bool UNIXSimpleSemaphoreC::ObtainResourceNB() { return Operate(-1, SEM_UNDO | IPC_NOWAIT); }
