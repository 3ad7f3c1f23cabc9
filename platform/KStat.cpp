#include "platform/KStat.h"

#include <cerrno>
#include <unordered_map>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "platform/MachineFile.h"

namespace {

constexpr const char* c_SnapshotName = "kstat";
constexpr std::string_view c_ClassStatistic = "class";
constexpr std::string_view c_CreationTime = "crtime";
constexpr std::string_view c_SnapshotTime = "snaptime";

struct KeyT {
  std::string_view module, instance, name, statistic;
};

// module:instance:name:statistic, the name being everything between the second ":" and the last.
HX_NODISCARD bool SplitKey(std::string_view key, KeyT& out) {
  const size_t first = key.find(':');
  if (first == std::string_view::npos) return false;
  const size_t second = key.find(':', first + 1);
  const size_t last = key.rfind(':');
  if (second == std::string_view::npos || last <= second) return false;
  out.module = key.substr(0, first);
  out.instance = key.substr(first + 1, second - first - 1);
  out.name = key.substr(second + 1, last - second - 1);
  out.statistic = key.substr(last + 1);
  return !out.instance.empty() && out.instance.find_first_not_of("0123456789") == std::string_view::npos;
}

// Where the key of a `kstat -p` line ends and its value starts: at the tab kstat writes, or, in a
// snapshot whose tabs became blanks (copied from a terminal or a page), at the first run of two
// or more blanks, else at the first blank. Statistic names hold no blanks but for those of the
// disk error statistics ("Serial No"), which survive as long as the tab became two blanks or more.
bool FindSeparator(const std::string& line, size_t* keyEnd, size_t* valueAt) {
  size_t at = line.find('\t');
  if (at != std::string::npos) {
    *keyEnd = at;
    *valueAt = at + 1;
    return true;
  }
  at = line.find("  ");
  if (at == std::string::npos) at = line.find(' ');
  if (at == std::string::npos) return false;
  *keyEnd = at;
  *valueAt = line.find_first_not_of(' ', at);
  if (*valueAt == std::string::npos) *valueAt = line.size();
  return true;
}

}  // namespace

namespace hx {

bool KStatT::Find(std::string_view valueName, std::string& value) const {
  for (const auto& [n, v] : values) {
    if (n == valueName) {
      value = v;
      return true;
    }
  }
  return false;
}

KStatChainT ParseKstatOutput(std::string_view text) {
  KStatChainT chain;
  std::unordered_map<std::string, size_t> index;
  for (const std::string& line : SplitLines(text)) {
    size_t tab = 0, valueAt = 0;
    KeyT key;
    if (!FindSeparator(line, &tab, &valueAt) || !SplitKey(std::string_view(line).substr(0, tab), key)) continue;
    int64_t instance = 0;
    if (!ParseInt64(key.instance, instance)) continue;
    const std::string identity = line.substr(0, static_cast<size_t>(key.statistic.data() - line.data()));
    auto [at, added] = index.emplace(identity, chain.size());
    if (added) {
      KStatT stat;
      stat.module = std::string(key.module);
      stat.instance = instance;
      stat.name = std::string(key.name);
      chain.push_back(std::move(stat));
    }
    KStatT& stat = chain[at->second];
    const std::string value = line.substr(valueAt);
    if (key.statistic == c_ClassStatistic) stat.ksClass = Trim(value);
    else if (key.statistic != c_CreationTime && key.statistic != c_SnapshotTime)
      stat.values.emplace_back(std::string(key.statistic), value);
  }
  return chain;
}

ResultT KStatReadChain(KStatChainT& chain) {
  chain.clear();
  // The live statistics are a Solaris kernel's; this build reads them from a snapshot only.
  if (!MachineFromSnapshot()) return RcFromErrno(ENOSYS);
  std::string text;
  if (!ReadSnapshotFile(c_SnapshotName, text)) return RcFromErrno(ENOENT);
  chain = ParseKstatOutput(text);
  return RC_OK;
}

}  // namespace hx
