#pragma once
// InterruptGuardC: while it lives, an interrupt from the terminal (SIGINT, Ctrl-C) no longer
// ends the process; the handler only notes it, and the run polls for it between steps and
// turns it into a cancellation. The previous handling is put back when the guard goes.

#include <csignal>

class InterruptGuardC {
 public:
  InterruptGuardC();
  ~InterruptGuardC();
  InterruptGuardC(const InterruptGuardC&) = delete;
  InterruptGuardC& operator=(const InterruptGuardC&) = delete;

  // Whether an interrupt arrived since the last call (and forgets it).
  static bool TakeInterrupt();
  // Forgets an interrupt that arrived before a new status window.
  static void Clear();

 private:
  struct sigaction previous_ {};
  bool installed_ = false;
};
