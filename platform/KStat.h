#pragma once
// Kernel statistics as the processor and disk providers read them: a chain of statistics, each
// identified by module, instance and name, with a class and named values.
//
// Two sources fill the chain. With a system root, the snapshot "<root>/.snapshot/kstat" holds
// the output of `kstat -p` taken on the machine:
//     cpu_info:0:cpu_info0:brand	Intel(R) Xeon(R) CPU           E5540  @ 2.53GHz
//     cpu_info:0:cpu_info0:class	misc
//     sderr:0:sd0,err:Serial No	0902B1234567
// (the key runs to the first tab, the value is the rest of the line). Without a root there is
// no source: the statistics are a Solaris kernel's own, and a Linux host has providers of its
// own that read its processors and disks (hardware/linux/).
//
// Values are kept as the text they were given in; KStatUtilC turns them into what the
// providers need.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace hx {

struct KStatT {
  std::string module;
  int64_t instance = 0;
  std::string name;
  // The class of the statistic ("misc", "device_error", ...); "" when the source did not say.
  std::string ksClass;
  // The named values in the order they came.
  std::vector<std::pair<std::string, std::string>> values;

  // The value named `name`; false when there is none.
  HX_NODISCARD bool Find(std::string_view valueName, std::string& value) const;
};

using KStatChainT = std::vector<KStatT>;

// Reads `kstat -p` output. A line without a tab, a key without four ":"-separated fields or with
// an instance that is not a decimal number is skipped. The statistic is the text after the
// key's last ":", the module the text before its first ":", the instance the second field and
// the name what lies between (names may hold ":" and blanks). The pseudo-statistic "class"
// gives the class; "crtime" and "snaptime" are not values. Statistics come in the order of
// their first line. Pure.
KStatChainT ParseKstatOutput(std::string_view text);

// Reads the whole chain from the snapshot of the system root. 0, or an error-number result
// (hx::RcFromErrno) when the statistics are not available: ENOENT for a missing snapshot,
// ENOSYS without a system root.
HX_NODISCARD ResultT KStatReadChain(KStatChainT& chain);

}  // namespace hx
