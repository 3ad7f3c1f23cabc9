#pragma once
// The log lines of the Linux providers. Their message ids are 0xE0BD0300 to
// 0xE0BD03FF.

#include "foundation/messages/TrackerMessages.h"

namespace hxlinux {

#define HX_LINUX_INFO \
  "\x01\x01"          \
  "i\x01"
#define HX_LINUX_WARNING \
  "\x01\x01"             \
  "w\x01"

// What an ordinary user's run left out, once per run.
constexpr hx::ResultT LOG_NEEDS_ROOT = trk::TrkMsg(0x0300);
constexpr const char* TXT_NEEDS_ROOT = HX_LINUX_WARNING
    "WARNING: Only root may read these, and they are not in "
    "the inventory: %1$s";

// The hardware ID file of a bus (pci.ids, usb.ids) is not installed, once per run and bus.
constexpr hx::ResultT LOG_NO_ID_FILE = trk::TrkMsg(0x0330);
constexpr const char* TXT_NO_ID_FILE = HX_LINUX_INFO
    "No %1$s ID file (%2$s): %1$s devices are in the inventory "
    "without the names of their makers and models";

// The network adapters: the live host's address list could not be read.
constexpr hx::ResultT LOG_NO_ADDRESS_LIST = trk::TrkMsg(0x0350);
constexpr const char* TXT_NO_ADDRESS_LIST = HX_LINUX_WARNING
    "WARNING: The kernel's address list could not be read; the network adapters are "
    "inventoried without their addresses";

#undef HX_LINUX_INFO
#undef HX_LINUX_WARNING

}  // namespace hxlinux
