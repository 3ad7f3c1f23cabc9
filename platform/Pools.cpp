#include "platform/Pools.h"

#include "foundation/core/Text.h"
#include "platform/MachineFile.h"

namespace {

constexpr const char* c_PooladmSnapshot = "pooladm";
constexpr const char* c_PoolbindSnapshot = "poolbind";

struct TypeNameT {
  const char* word;
  hx::PoolPropT::TypeE type;
};
constexpr TypeNameT c_Types[] = {{"int", hx::PoolPropT::Int},         {"uint", hx::PoolPropT::UInt},
                                 {"boolean", hx::PoolPropT::Boolean}, {"string", hx::PoolPropT::String},
                                 {"double", hx::PoolPropT::Double}};

bool TypeOf(std::string_view word, hx::PoolPropT::TypeE& type) {
  for (const TypeNameT& t : c_Types) {
    if (word == t.word) {
      type = t.type;
      return true;
    }
  }
  return false;
}

size_t Indent(std::string_view line) {
  const size_t first = line.find_first_not_of(" \t");
  return first == std::string_view::npos ? line.size() : first;
}

// Where the lines of the output go while it is read.
class PooladmReaderC {
 public:
  void Line(std::string_view raw) {
    const std::string_view line = hx::TrimView(raw);
    std::string_view word, rest;
    hx::SplitFirstWord(line, word, rest);
    hx::PoolPropT::TypeE type;
    if (word == "pset" && current_ == Pool && Indent(raw) > poolIndent_) {
      conf_.pools.back().pset = std::string(rest);
    } else if (word == "system") {
      Start(System, rest);
    } else if (word == "pool") {
      Start(Pool, rest);
      poolIndent_ = Indent(raw);
    } else if (word == "pset") {
      Start(Pset, rest);
    } else if (word == "cpu" && rest.empty()) {
      Start(Cpu, rest);
    } else if (TypeOf(word, type)) {
      Property(type, rest);
    }
  }
  hx::PoolConfT Take() { return std::move(conf_); }

 private:
  enum ElementE { None, System, Pool, Pset, Cpu };

  void Start(ElementE kind, std::string_view name) {
    current_ = kind;
    switch (kind) {
      case System: conf_.system.name = std::string(name); break;
      case Pool: conf_.pools.emplace_back().name = std::string(name); break;
      case Pset: conf_.psets.emplace_back().name = std::string(name); break;
      case Cpu:
        if (conf_.psets.empty()) current_ = None;
        else conf_.psets.back().cpus.emplace_back();
        break;
      case None: break;
    }
  }

  hx::PoolElemT* Current() {
    switch (current_) {
      case System: return &conf_.system;
      case Pool: return &conf_.pools.back();
      case Pset: return &conf_.psets.back();
      case Cpu: return &conf_.psets.back().cpus.back();
      case None: break;
    }
    return nullptr;
  }

  void Property(hx::PoolPropT::TypeE type, std::string_view rest) {
    hx::PoolElemT* element = Current();
    std::string_view name, value;
    hx::SplitFirstWord(rest, name, value);
    if (element == nullptr || name.empty()) return;
    element->props.push_back(hx::PoolPropT{std::string(name), type, std::string(value)});
  }

  hx::PoolConfT conf_;
  ElementE current_ = None;
  size_t poolIndent_ = 0;
};

}  // namespace

namespace hx {

const PoolPropT* PoolElemT::Find(std::string_view propName) const {
  for (const PoolPropT& p : props) {
    if (p.name == propName) return &p;
  }
  return nullptr;
}

PoolConfT ParsePooladmOutput(std::string_view text) {
  PooladmReaderC reader;
  for (const std::string& line : SplitLines(text)) reader.Line(line);
  return reader.Take();
}

std::string ParsePoolbindOutput(std::string_view text) {
  for (const std::string& line : SplitLines(text)) {
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) return Trim(std::string_view(line).substr(tab + 1));
    const StringArrayC words = SplitBlanks(line);
    // Blanks beyond space and tab (a form feed, a vertical tab) are not part of a pool name.
    if (words.size() >= 2) return Trim(words[1]);
  }
  return std::string();
}

bool PoolReadConfiguration(PoolConfT& conf) {
  conf = PoolConfT();
  std::string text;
  if (!MachineFromSnapshot() || !ReadSnapshotFile(c_PooladmSnapshot, text)) return false;
  conf = ParsePooladmOutput(text);
  return true;
}

bool PoolBinding(std::string& poolName) {
  poolName.clear();
  std::string text;
  if (!MachineFromSnapshot() || !ReadSnapshotFile(c_PoolbindSnapshot, text)) return false;
  poolName = ParsePoolbindOutput(text);
  return !poolName.empty();
}

}  // namespace hx
