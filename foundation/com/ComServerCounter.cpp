#include "foundation/com/ComServerCounter.h"

std::atomic<long> ComServerCounterC::s_Count{0};
