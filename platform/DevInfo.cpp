#include "platform/DevInfo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "foundation/files/FileService.h"
#include "foundation/files/SafeFile.h"
#include "platform/MachineFile.h"

namespace {

constexpr const char* c_SnapshotName = "devinfo";
constexpr char c_Comment = '#';

HX_NODISCARD bool ParseInts(std::string_view text, std::vector<int64_t>& out) {
  for (const std::string& word : hx::SplitBlanks(text)) {
    int64_t n = 0;
    if (!hx::ParseInt64(word, n)) return false;
    out.push_back(n);
  }
  return !out.empty();
}

// "<name> int|int64 <n>...", "<name> string <text>" or "<name> boolean".
HX_NODISCARD bool ParseProperty(std::string_view rest, hx::DevPropT& prop) {
  std::string_view name, afterName, type, value;
  hx::SplitFirstWord(rest, name, afterName);
  hx::SplitFirstWord(afterName, type, value);
  if (name.empty()) return false;
  prop.name = std::string(name);
  if (type == "int" || type == "int64") {
    prop.type = type == "int" ? hx::DevPropT::Int : hx::DevPropT::Int64;
    return ParseInts(value, prop.ints);
  }
  if (type == "string") {
    prop.type = hx::DevPropT::String;
    prop.text = std::string(value);
    return true;
  }
  prop.type = hx::DevPropT::Boolean;
  return type == "boolean" && value.empty();
}

void ApplyLine(std::string_view keyword, std::string_view rest, hx::DevNodeT& node) {
  if (keyword == "path") node.path = std::string(rest);
  else if (keyword == "node") node.node = std::string(rest);
  else if (keyword == "driver") node.driver = std::string(rest);
  else if (keyword == "nodetype") node.nodetype = std::string(rest);
  else if (keyword == "instance") {
    int64_t n = 0;
    if (hx::ParseInt64(rest, n)) node.instance = n;
  } else if (keyword == "prop" || keyword == "prom") {
    hx::DevPropT prop;
    if (ParseProperty(rest, prop)) (keyword == "prop" ? node.props : node.prom).push_back(std::move(prop));
  }
}

const hx::DevPropT* FindIn(const std::vector<hx::DevPropT>& props, std::string_view name) {
  for (const hx::DevPropT& p : props) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

}  // namespace

namespace hx {

const DevPropT* DevNodeT::FindProm(std::string_view name) const { return FindIn(prom, name); }

DevTreeT ParseDevinfoSnapshot(std::string_view text) {
  DevTreeT tree;
  DevNodeT node;
  bool open = false;
  auto close = [&]() {
    if (open && !(node.path.empty() && node.node.empty())) tree.push_back(std::move(node));
    node = DevNodeT();
    open = false;
  };
  for (const std::string& raw : SplitLines(text)) {
    const std::string_view line = TrimView(raw);
    if (line.empty()) {
      close();
      continue;
    }
    if (line.front() == c_Comment) continue;
    std::string_view keyword, rest;
    hx::SplitFirstWord(line, keyword, rest);
    ApplyLine(keyword, rest, node);
    open = true;
  }
  close();
  return tree;
}

ResultT DevInfoReadTree(DevTreeT& tree) {
  tree.clear();
  // The live device tree is a Solaris kernel's; this build reads it from a snapshot only.
  if (!MachineFromSnapshot()) return RcFromErrno(ENOSYS);
  std::string text;
  if (!ReadSnapshotFile(c_SnapshotName, text)) return RcFromErrno(ENOENT);
  tree = ParseDevinfoSnapshot(text);
  return RC_OK;
}

int64_t DeviceEndOffset(const std::string& path) {
  if (path.empty() || path.front() != '/') return -1;
  const UniqueFdC fd(::open(FileService()->systemPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.valid()) return -1;
  return static_cast<int64_t>(::lseek(fd.get(), 0, SEEK_END));
}

}  // namespace hx
