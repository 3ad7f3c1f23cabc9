#pragma once
// Reading the output of `ifconfig -a`: first into one block per adapter (its name and its
// attribute lines), then each block into the settings the network adapter configuration
// reports. Pure functions over text, so that any output, however odd, can be checked without
// running a tool.
//
// The layouts read without telling them apart:
//   Solaris    "e1000g0: flags=1000843<UP,...> mtu 1500 index 2" then tab-indented lines
//              "inet 10.0.0.5 netmask ffffff00 broadcast 10.0.0.255", "ether 0:c:29:5:a:1b";
//              some releases indent with blanks instead of a tab.
//   Linux      "eth0: flags=4163<UP,...>  mtu 1500" then blank-indented lines
//              "inet 10.0.0.5  netmask 255.255.255.0  broadcast ...", "ether 02:fc:...",
//              with a blank line after every adapter.
//   older Linux "eth0      Link encap:Ethernet  HWaddr 00:50:56:AD:00:0E" then
//              "inet addr:10.0.0.5  Bcast:10.0.0.255  Mask:255.255.255.0",
//              "inet6 addr: fe80::1/64 Scope:Link".

#include <vector>

#include "foundation/core/Text.h"

namespace hx {

// One adapter block: the name and the attribute lines, trimmed, the text after the name on
// the adapter's first line being the first of them. IPv4 and IPv6 configurations of one
// interface come as separate blocks of the same name, and so do logical interfaces
// ("e1000g0:1" belongs to e1000g0).
struct IfconfigBlockC {
  StringC name;
  StringArrayC lines;
};

// Splits the output into adapter blocks, in output order:
//  - a line that begins with a tab or a blank continues the current adapter;
//  - an empty line ends the current adapter and starts none;
//  - any other line starts an adapter when it holds a ":": its name is the text before the
//    first ":" or before the first blank ahead of it, whichever comes first, and the rest of
//    the line is its first attribute line. A line without ":" ends the current adapter and
//    starts none, as does a name that would be empty.
// Attribute lines that belong to no adapter are dropped.
std::vector<IfconfigBlockC> SplitIfconfigBlocks(const StringArrayC& lines);

// What one adapter block says about the adapter. Values are empty when not printed.
struct AdapterSettingsC {
  bool loopback = false;   // some line holds LOOPBACK: the adapter is not reported
  bool ipEnabled = false;  // an inet or inet6 address was printed
  StringC ipAddress;       // after "inet"
  StringC ipv6Address;     // after "inet6", as printed (fe80::1/10)
  StringC ipSubnet;        // after "netmask" / "Mask:", in dotted form
  StringC macAddress;      // after "ether" / "HWaddr", groups padded to two digits
};

// Reads the key/value word pairs of the attribute lines. Each line is split at blanks; in key
// position a word ending in ">" (the flags word) is skipped and a word "Label:value" is a pair
// by itself; otherwise the key's value is the next word, where an "addr:" label in front of it
// is dropped ("addr: x" takes the word after it). A key without a value is ignored. When
// several lines set the same value, the last one wins.
AdapterSettingsC ReadAdapterSettings(const StringArrayC& lines);

// A netmask as ifconfig prints it in dotted form: a dotted mask is kept as it is, anything
// else is read as a hexadecimal 32-bit number (ffffff00, or 0xffffff00) up to the first
// character that is not a digit, no digits giving 0 (so "zzzz" gives 0.0.0.0).
StringC NetmaskToDotted(const StringC& netmask);

// A hardware address with every one-digit group given a leading 0 (0:c:29:5:a:1b gives
// 00:0c:29:05:0a:1b); letter case is kept, other groups are left as they are.
StringC PadMacAddress(const StringC& mac);

}  // namespace hx
