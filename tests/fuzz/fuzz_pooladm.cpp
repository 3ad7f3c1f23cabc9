// Arbitrary bytes as `pooladm` and `poolbind -q` output: every property has a name, element
// names and values stay on their line, and a pool name read from the binding is trimmed.

#include "FuzzSupport.h"
#include "foundation/core/Text.h"
#include "platform/Pools.h"

using hxfuzz::Check;

static void CheckElement(const hx::PoolElemT& e) {
  Check(e.name.find('\n') == std::string::npos);
  for (const hx::PoolPropT& p : e.props) {
    Check(!p.name.empty() && p.name.find_first_of(" \t") == std::string::npos);
    Check(p.value.find('\n') == std::string::npos);
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = hxfuzz::Text(data, size);
  const hx::PoolConfT conf = hx::ParsePooladmOutput(text);
  CheckElement(conf.system);
  for (const hx::PoolT& p : conf.pools) {
    CheckElement(p);
    Check(p.pset.find('\n') == std::string::npos);
  }
  for (const hx::PsetT& s : conf.psets) {
    CheckElement(s);
    for (const hx::PoolElemT& cpu : s.cpus) {
      CheckElement(cpu);
      Check(cpu.name.empty());
    }
  }
  const std::string pool = hx::ParsePoolbindOutput(text);
  Check(pool == hx::Trim(pool) && pool.find('\n') == std::string::npos);
  return 0;
}
