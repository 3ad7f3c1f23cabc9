#pragma once
// HWClass_UnixIBMDB2: the DB2 installations of the machine, the products of each and the
// licences that each running DB2 instance reports, through DB2's own tools and ps.
//
// The owners of the running engines (db2sysc) come from the process listing. `db2ls -c`
// lists the installations ("TVK_IBM_DB2", named by their path) and `db2ls -c -p -q -b <path>`
// the products of one ("TVK_IBM_DB2_PRODUCT", "<path>:<n>"). Each owner's licence tool,
// <home>/sqllib/adm/db2licm -l, gives the licences ("TVK_IBM_DB2_LICENCE", "<owner>:<n>");
// every owner gets "<owner>:0" even when the tool gives nothing.
//
// The licence tool lives in the owner's home and belongs to the owner, so the tracker, which
// runs as root, does not run it itself unless the trust checks pass (the tool and every
// directory above it are root's or the running user's and writable by nobody else): a tool
// anyone else could change would otherwise run with root's rights. Else the tool is run as
// its owner through su, with the owner's password from the db2users preference ("user:password"
// entries, or a password alone for every owner without an entry of its own).
//
// The step as a whole runs for at most DB2Timeout seconds (one licence query per owner process
// can otherwise add up to hours): each tool gets at most the time left, and once it is up the
// queries not yet run are skipped with one log line; the instances found until then stay.
//
// Every problem is logged as one "ERROR during DB2 scan" line. The instances go under their
// three fixed class names whatever class the configuration names.

#include <chrono>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "hardware/framework/HWClass_Unix.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/unix/Db2Parsers.h"

class HWClass_UnixIBMDB2 : public HWClass_Unix {
 public:
  static constexpr const char* c_TVK_IBM_DB2_PRODUCT = "TVK_IBM_DB2_PRODUCT";
  static constexpr const char* c_TVK_IBM_DB2_LICENCE = "TVK_IBM_DB2_LICENCE";
  static constexpr const char* c_InstallationUsername = "InstallationUsername";
  static constexpr const char* c_User = "User";

  // The scan; the class name passed in is not used. 0 when there is no DB2, when the scan got
  // to the licences, or when the step's time ran out before; the failure of uname or ps;
  // 0x80000001 for a malformed process row or db2ls table; the failure of db2ls -c when
  // engines are running.
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;
  // "Name" and "Caption": the instance name (installations).
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;
  // The products of one installation from its db2ls listing: 0, or 0x80000001 when the
  // listing has no header (or its time pattern cannot be compiled), nothing added then.
  HX_NODISCARD hx::ResultT ParseInstallationSpecificDB2ls(HWInstanceListT& instances, RefM<HWInstance> installation,
                                             const StringArrayC& lines);

 protected:
  ~HWClass_UnixIBMDB2() override = default;

 private:
  // uname and the process listing: the owners of the db2sysc processes, in listing order.
  HX_NODISCARD hx::ResultT ReadOwners(StringArrayC& owners, bool& done);
  HX_NODISCARD hx::ResultT AddInstallations(HWInstanceListT& instances, const StringArrayC& owners, bool& done);
  // Reads a db2ls table, logging what makes it unreadable; 0 or 0x80000001.
  HX_NODISCARD hx::ResultT ReadTable(const StringArrayC& lines, hx::Db2lsTableC& table, bool logMissingHeader);
  void AddLicences(HWInstanceListT& instances, const StringC& owner, const StringArrayC& db2users);
  // The owner's licence tool run directly when it is trusted, else as the owner; its lines.
  // false when the step's time was up before the tool ran.
  HX_NODISCARD bool LicenceLines(const StringC& owner, const StringArrayC& db2users, StringArrayC& lines);
  // The time limit of the next query: the time the step has left, at most ToolTimeout. false
  // once the step's time is up; the first such call logs that `query` and those after it are
  // not run.
  bool TimeFor(const CommandLineC& query, std::chrono::milliseconds& limit);

  std::chrono::steady_clock::time_point deadline_;
  long stepSeconds_ = 0;
  bool timeUp_ = false;
};

HX_HW_PROVIDER_FACTORY(UnixIBMDB2, "ZOR.hX.Tracker.UnixIBMDB2.1")
