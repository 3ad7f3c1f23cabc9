#pragma once
// The reporting of trust refusals (foundation/files/Trust.h) through the early log, apart
// from the checks themselves, which the uploader library compiles in without the program's log.

#include <cstdio>
#include <string>

#include "foundation/files/Trust.h"

namespace hx {

// Opens a file the run writes for its developers (a trace file) as a stdio stream, emptied:
// the place must be trusted and the file is not reached through a link. Null with errno set
// on failure; a refusal is reported on standard error (the log may be what is traced).
std::FILE* OpenTrustedStream(const std::string& path);

// Reports a refusal through the early log (foundation/messages/EarlyLog.h): to the log once it is
// ready and on standard error before that; with `toStandardError` on standard error too (the
// log itself may be what was refused, or the refusal ends the run).
void ReportRefusal(const TrustFailureT& failure, bool toStandardError = false);

}  // namespace hx
