#pragma once
// The questions an administrator asks of the store. Each answers a table (Table.h) or, for
// show --hxi, a document; false with *why when the question cannot be answered (no such
// machine, a time that does not read, a store that fails).
//
// A machine is named by its MachineName; it may have several chains (configurations, users'
// inventories), which the answers list side by side. Times are read with the agents'
// date-time format, as the documents' DateTime is.

#include <string>

#include "collect/query/Table.h"
#include "collect/store/SqlDb.h"

namespace hxc {

struct QueryOptionsT {
  std::string dateFormat;
  std::string configuration;  // show: the chain's configuration, when a machine has several
  std::string user;           // show: a user's chain (UserName) instead of the machine's
};

// Every chain: machine, audience, configuration, user, last document, its type and generation,
// items, and whether it is stale.
bool AskMachines(SqlDbI& db, TableT* out, std::string* why);
// The current packages of that name on every machine; with `below`, only those whose version
// is lower (Debian packages in the package tools' order, others in the package database's).
bool AskPackages(SqlDbI& db, const std::string& name, const std::string& below, TableT* out, std::string* why);
// What the machine's documents changed (since `since`, when given): item by item, added,
// removed or updated.
bool AskChanges(SqlDbI& db, const std::string& machine, const std::string& since, const QueryOptionsT& options,
                TableT* out, std::string* why);
// Where a file with that MD5 is: machine, path, size.
bool AskFiles(SqlDbI& db, const std::string& md5, TableT* out, std::string* why);
// The current hardware of that class on every machine: its instance name and properties.
bool AskHardware(SqlDbI& db, const std::string& cls, TableT* out, std::string* why);
// The machine's items as they stood at `at` (now when empty): as a table, or with hxi as an
// inventory document (*document), which the readers of inventories read.
bool AskShow(SqlDbI& db, const std::string& machine, const std::string& at, bool hxi, const QueryOptionsT& options,
             TableT* out, std::string* document, std::string* why);

}  // namespace hxc
