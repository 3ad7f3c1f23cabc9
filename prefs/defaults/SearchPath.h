#pragma once
// The process search path. The agent puts its own bin directory in front of PATH so that the
// tools it ships are found before the system's.

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

class EnvUnixPathC {
 public:
  // Puts `dir` in front of PATH unless PATH holds it already (exactly, as one of its non-empty
  // elements). 0, or the failure of setting the variable.
  HX_NODISCARD static int AddPath(const StringC& dir);
  // AddPath(<install directory>/bin).
  HX_NODISCARD static int SetupPath();
};
