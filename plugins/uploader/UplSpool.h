#pragma once
// The spool: staged files the server did not take wait in "pending/" below the staging
// directory for the next run, which sends them before its own, oldest first. A full run's
// clearing of the staging directory removes files, not directories, so the spool survives it.
// It is bounded: beyond the most it may hold, the oldest files go, and since every file is a
// link in the server's chain of generations, a file that goes asks the next run for a full
// inventory (a mark in the spool that the run reads before it chooses a delta).

#include <string>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "plugins/uploader/UplDelivery.h"

namespace upl {

// Checks the spool (with `create`, makes it first when missing, owner only): a real directory,
// not a link, owned by the running user and writable by nobody else. Without `create` a spool
// that does not exist passes (it holds nothing).
OutcomeT CheckSpool(const std::string& spool, bool create);
// The files waiting in the spool, oldest first by modification time (then by name). A spool
// that does not exist holds none; the mark is not a waiting file.
OutcomeT SpoolFiles(const std::string& spool, std::vector<std::string>* names);
// Moves the staged file into the spool under its name, or a numbered one when that is taken.
OutcomeT MoveToSpool(const std::string& source, const std::string& spool, const std::string& name,
                     std::string* spooled);
// Removes the oldest files until at most `most` remain; answers the names removed.
std::vector<std::string> TrimSpool(const std::string& spool, size_t most);
// Sets or clears the mark that asks the next run for a full inventory. A mark that cannot be
// made is a failure: without it the next run sends a delta against a generation the server
// never received.
HX_NODISCARD OutcomeT SetFullInventoryMark(const std::string& spool, bool set);

}  // namespace upl
