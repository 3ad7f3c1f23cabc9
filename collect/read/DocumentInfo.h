#pragma once
// What the root of a delivered document says about where it belongs and when it was made.
//
// A chain is the documents of one machine and audience: MachineName, Audience and
// Configuration, and for a user's inventory also UserName and UserDomain (a machine
// inventory's UserName is only whoever ran it). Documents of a chain are applied in the order
// of their DateTime, read with the agents' date-time format as local time; file names are not
// trusted for it.

#include <ctime>
#include <string>

#include "collect/read/DocumentReader.h"

namespace hxc {

constexpr const char* c_DefaultDateFormat = "%Y%m%dT%H%M%S";

struct ChainKeyT {
  std::string machine, audience, configuration, userName, userDomain;
};

struct DocumentInfoT {
  ChainKeyT chain;
  bool delta = false;
  std::string dateTime;    // as written
  time_t docTime = 0;      // the same read as local time
  std::string generation;  // shown, never relied on
};

// Reads the root; false with *why for a document this collector does not take: no machine
// name, an audience or type it does not know, a DateTime the format does not read, a job's
// full inventory.
bool JudgeRoot(const RootT& root, const std::string& dateFormat, DocumentInfoT* info, std::string* why);

// The whole text read with the strftime-style format as local time; false when it does not
// read or leaves something over.
bool ParseLocalTime(const std::string& text, const std::string& format, time_t* out);

}  // namespace hxc
