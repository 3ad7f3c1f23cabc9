#pragma once
// The resource pool configuration as the pool providers read it: the system, its pools, the
// processor sets and the processors in each, every element with its typed properties; and the
// pool the running process is bound to.
//
// With a system root the configuration is "<root>/.snapshot/pooladm", the output of `pooladm`
// on the machine:
//     system default
//             string  system.comment
//             int     system.version 1
//
//             pool pool_web
//                     boolean pool.active true
//                     pset    pset_web
//
//             pset pset_web
//                     uint    pset.size 2
//
//                     cpu
//                             int     cpu.sys_id 1
// An element's name is in its heading (the output has no pool.name line); a pool's
// "pset <name>" line, indented below the pool's heading, names its processor set; cpu blocks
// belong to the pset above them. The binding is "<root>/.snapshot/poolbind", the output of
// `poolbind -q <pid>` (a pid, a tab, the pool name; the pid is that of the capturing shell and
// is not compared). Without a pooladm file the pool library is not available.
//
// Without a root the host's pool library would be asked; Linux has none, so pools are not
// available there.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"

namespace hx {

struct PoolPropT {
  enum TypeE { Int, UInt, Boolean, String, Double };
  std::string name;
  TypeE type = String;
  std::string value;  // as printed; may be empty
};

struct PoolElemT {
  std::string name;  // from the heading; "" for a cpu
  std::vector<PoolPropT> props;
  const PoolPropT* Find(std::string_view propName) const;
};

struct PoolT : PoolElemT {
  std::string pset;  // the name of its processor set; "" when the output names none
};

struct PsetT : PoolElemT {
  std::vector<PoolElemT> cpus;
};

struct PoolConfT {
  PoolElemT system;
  std::vector<PoolT> pools;
  std::vector<PsetT> psets;
};

// Reads `pooladm` output. Lines are trimmed; a line "system|pool|pset <name>" or "cpu" starts
// an element, except a "pset <name>" line indented deeper than the heading of the pool it
// follows, which names that pool's set; "int|uint|boolean|string|double <name> [<value>]" is a
// property of the current element. Cpu blocks before any pset, properties before any element
// and every other line are skipped. Pure.
PoolConfT ParsePooladmOutput(std::string_view text);

// The pool name of `poolbind -q` output: the text after the first tab of the first line that
// has one (else its second blank-separated word), trimmed; "" when there is none. Pure.
std::string ParsePoolbindOutput(std::string_view text);

// The dynamic pool configuration; false when the pool library is not available.
HX_NODISCARD bool PoolReadConfiguration(PoolConfT& conf);

// The pool the process is bound to; false when that cannot be told.
HX_NODISCARD bool PoolBinding(std::string& poolName);

}  // namespace hx
