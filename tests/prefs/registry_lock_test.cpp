// Several processes share the agent's INI files: writers serialise through the ".lck" record
// lock and merge with the file on disk, a lock left by a killed process blocks nobody, a file
// that cannot be written reports the failure and keeps the value in memory, and changes made
// on disk are seen by the next read a second after the last check.

#include "prefs/registry/ConfClock.h"
#include "prefs/registry/ConfRegistryIni.h"
#include "prefs/registry/UnxFilcker.h"
#include "support/TestSupport.h"

namespace {

constexpr const char* kCompany = "Software\\Tarvosk Corp";
constexpr const char* kKey = "Software\\Tarvosk Corp\\Tarvosk\\Tracker\\CurrentVersion";

// Contention between writer processes is expected here; a short pause keeps the test quick
// without changing how many attempts a writer makes.
class ShortLockRetry {
 public:
  // 20 tries 50 ms apart: far longer than a save (which synchronises file and directory).
  ShortLockRetry() : saved_(UnxFilckerC::RetryDelayMs()) { UnxFilckerC::SetRetryDelayMs(50); }
  ~ShortLockRetry() { UnxFilckerC::SetRetryDelayMs(saved_); }

 private:
  int saved_;
};

int WaitExit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A child that takes the file's lock, says so through the pipe and then waits to be killed.
pid_t ForkLockHolder(const std::string& path) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    UnxFilckerC lock(path);
    const char ok = hx::Succeeded(lock.tryLock()) ? 'y' : 'n';
    if (write(ready[1], &ok, 1) != 1) _exit(2);
    for (;;) pause();
  }
  close(ready[1]);
  char ok = 0;
  const bool locked = read(ready[0], &ok, 1) == 1 && ok == 'y';
  close(ready[0]);
  if (!locked && pid > 0) {
    kill(pid, SIGKILL);
    WaitExit(pid);
    return -1;
  }
  return pid;
}

class RegistryLock : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    path_ = dir_.Write("shared.ini", "[Tarvosk\\Tracker\\CurrentVersion]\nStart=1\n");
  }
  hxtest::TempDirC dir_{"hx-reg-lock"};
  std::string path_;
};

TEST_F(RegistryLock, ConcurrentWritersAllEndUpInTheFile) {
  ShortLockRetry quick;
  constexpr int kRounds = 5, kWriters = 2, kValues = 8;
  auto name = [](int round, int w, int v) {
    return "r" + std::to_string(round) + "w" + std::to_string(w) + "v" + std::to_string(v);
  };
  for (int round = 0; round < kRounds; ++round) {
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t pids[kWriters];
    for (int w = 0; w < kWriters; ++w) {
      pids[w] = fork();
      ASSERT_GE(pids[w], 0);
      if (pids[w] == 0) {
        close(go[1]);
        // Each writer mounts the file before the others write, so its view is stale by the
        // time it saves: only the merge with the disk keeps the others' values.
        ConfRegistryIniC reg;
        if (reg.AddIniFile(path_, "HKLM", kCompany) != CONF_REG_OK) _exit(3);
        char c;
        if (read(go[0], &c, 1) != 0) _exit(4);  // released when the parent closes its end
        for (int v = 0; v < kValues; ++v) {
          if (reg.CreateString(HKEY_LOCAL_MACHINE, kKey, name(round, w, v), name(round, w, v)) != CONF_REG_OK) _exit(5);
        }
        _exit(0);
      }
    }
    close(go[0]);
    close(go[1]);
    for (pid_t pid : pids) EXPECT_EQ(WaitExit(pid), 0) << "round " << round;
  }

  ConfRegistryIniC reader;
  ASSERT_EQ(reader.AddIniFile(path_, "HKLM", kCompany), CONF_REG_OK);
  for (int round = 0; round < kRounds; ++round)
    for (int w = 0; w < kWriters; ++w)
      for (int v = 0; v < kValues; ++v) {
        StringC value;
        EXPECT_EQ(reader.ReadString(HKEY_LOCAL_MACHINE, kKey, name(round, w, v), &value), CONF_REG_OK);
        EXPECT_EQ(value, name(round, w, v));
      }
  StringC start;
  EXPECT_EQ(reader.ReadString(HKEY_LOCAL_MACHINE, kKey, "Start", &start), CONF_REG_OK);
  EXPECT_EQ(access((path_ + ".lck").c_str(), F_OK), -1);  // every writer deleted its lock file
  EXPECT_EQ(access((path_ + ".tmp").c_str(), F_OK), -1);
}

TEST_F(RegistryLock, HeldLockBlocksAndAKilledHolderDoesNot) {
  ShortLockRetry quick;
  const pid_t holder = ForkLockHolder(path_);
  ASSERT_GT(holder, 0);

  UnxFilckerC mine(path_);
  EXPECT_EQ(mine.tryLock(), hx::RcFromErrno(EAGAIN));
  ConfRegistryIniC reg;
  ASSERT_EQ(reg.AddIniFile(path_, "HKLM", kCompany), CONF_REG_OK);
  EXPECT_EQ(reg.CreateString(HKEY_LOCAL_MACHINE, kKey, "Blocked", "1"), CONF_REG_E_SAVE);
  StringC v;
  EXPECT_EQ(reg.ReadString(HKEY_LOCAL_MACHINE, kKey, "Blocked", &v), CONF_REG_OK);  // kept in memory
  EXPECT_EQ(hxtest::ReadFile(path_).find("Blocked"), std::string::npos);

  // Killed while holding the lock: its lock file stays behind, its record lock does not.
  kill(holder, SIGKILL);
  WaitExit(holder);
  EXPECT_EQ(access((path_ + ".lck").c_str(), F_OK), 0);
  EXPECT_EQ(mine.tryLock(), 0);
  mine.unlock();
  EXPECT_EQ(reg.CreateString(HKEY_LOCAL_MACHINE, kKey, "After", "2"), CONF_REG_OK);
  const std::string text = hxtest::ReadFile(path_);
  EXPECT_NE(text.find("After=2"), std::string::npos);
  EXPECT_NE(text.find("Blocked=1"), std::string::npos);  // the earlier change went out too
}

TEST_F(RegistryLock, UnwritableFileReportsSaveFailureAndKeepsTheValue) {
  // Root ignores permission bits, so the temporary file's name is taken by a directory.
  ASSERT_EQ(mkdir((path_ + ".tmp").c_str(), 0755), 0);
  ConfRegistryIniC reg;
  ASSERT_EQ(reg.AddIniFile(path_, "HKLM", kCompany), CONF_REG_OK);
  EXPECT_EQ(reg.CreateString(HKEY_LOCAL_MACHINE, kKey, "Stuck", "yes"), CONF_REG_E_SAVE);
  StringC v;
  ASSERT_EQ(reg.ReadString(HKEY_LOCAL_MACHINE, kKey, "Stuck", &v), CONF_REG_OK);
  EXPECT_EQ(v, "yes");
  EXPECT_EQ(hxtest::ReadFile(path_).find("Stuck"), std::string::npos);
  EXPECT_EQ(access((path_ + ".lck").c_str(), F_OK), -1);  // the lock was given back
}

int64_t g_now = 0;
int64_t FakeNow() { return g_now; }

class RegistryReload : public RegistryLock {
 protected:
  void SetUp() override {
    RegistryLock::SetUp();
    g_now = 1000 * hx::kConfNsPerSecond;
    hx::ConfSetClock(&FakeNow);
  }
  void TearDown() override { hx::ConfSetClock(nullptr); }

  // Rewrites the file in place and moves its modification time, as an editor would.
  void Rewrite(const std::string& content, time_t mtime) {
    hxtest::WriteFile(path_, content);
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path_.c_str(), times, 0), 0);
  }
};

TEST_F(RegistryReload, ChangeOnDiskIsSeenOnceASecondHasPassed) {
  Rewrite("[Tarvosk\\Tracker\\CurrentVersion]\nV=1\n", 1000000);
  ConfRegistryIniC reg;
  ASSERT_EQ(reg.AddIniFile(path_, "HKLM", kCompany), CONF_REG_OK);
  StringC v;
  ASSERT_EQ(reg.ReadString(HKEY_LOCAL_MACHINE, kKey, "V", &v), CONF_REG_OK);
  EXPECT_EQ(v, "1");

  Rewrite("[Tarvosk\\Tracker\\CurrentVersion]\nV=2\n[Tarvosk\\New]\n", 2000000);
  g_now += hx::kConfNsPerSecond - 1;
  ASSERT_EQ(reg.ReadString(HKEY_LOCAL_MACHINE, kKey, "V", &v), CONF_REG_OK);
  EXPECT_EQ(v, "1");  // checked less than a second ago
  g_now += 1;
  ASSERT_EQ(reg.ReadString(HKEY_LOCAL_MACHINE, kKey, "V", &v), CONF_REG_OK);
  EXPECT_EQ(v, "2");
  ConfHKEY h = 0;
  EXPECT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "Software\\Tarvosk Corp\\Tarvosk\\New", CONF_KEY_READ, &h), CONF_REG_OK);
  EXPECT_EQ(reg.CloseKey(h), CONF_REG_OK);

  // A file that disappears keeps its last content; one that comes back is read again.
  ASSERT_EQ(unlink(path_.c_str()), 0);
  g_now += 2 * hx::kConfNsPerSecond;
  EXPECT_EQ(reg.ReadString(HKEY_LOCAL_MACHINE, kKey, "V", &v), CONF_REG_OK);
  Rewrite("[Tarvosk\\Tracker\\CurrentVersion]\nV=3\n", 3000000);
  g_now += 2 * hx::kConfNsPerSecond;
  ASSERT_EQ(reg.ReadString(HKEY_LOCAL_MACHINE, kKey, "V", &v), CONF_REG_OK);
  EXPECT_EQ(v, "3");
}

}  // namespace
