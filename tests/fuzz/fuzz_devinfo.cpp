// Arbitrary bytes as a device tree snapshot: every node has a path or a node name, every
// integer property at least one number, and no field runs past its line.

#include "FuzzSupport.h"
#include "platform/DevInfo.h"

using hxfuzz::Check;

static void CheckProps(const std::vector<hx::DevPropT>& props) {
  for (const hx::DevPropT& p : props) {
    Check(!p.name.empty() && p.name.find_first_of(" \t\n") == std::string::npos);
    Check(p.text.find('\n') == std::string::npos);
    const bool integer = p.type == hx::DevPropT::Int || p.type == hx::DevPropT::Int64;
    Check(integer != p.ints.empty());
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const hx::DevNodeT& n : hx::ParseDevinfoSnapshot(hxfuzz::Text(data, size))) {
    Check(!n.path.empty() || !n.node.empty());
    for (const std::string* field : {&n.path, &n.node, &n.driver, &n.nodetype}) Check(field->find('\n') == std::string::npos);
    Check(n.kernelName.empty());
    CheckProps(n.props);
    CheckProps(n.prom);
  }
  return 0;
}
