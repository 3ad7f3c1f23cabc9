#include "hardware/unix/HWClass_UnixIBMDB2.h"

#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <new>

#include "foundation/core/Format.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/files/DirStream.h"
#include "foundation/files/FileService.h"
#include "foundation/files/Trust.h"
#include "foundation/log/LogManager.h"
#include "foundation/messages/TrustRefusal.h"
#include "foundation/process/RunCommand.h"
#include "foundation/process/ToolLimits.h"
#include "foundation/trace/Tracer.h"
#include "hardware/framework/HardwareMessages.h"
#include "hardware/framework/RunBySu.h"
#include "hardware/unix/UserAccounts.h"
#include "platform/MachineFile.h"
#include "prefs/defaults/SearchPath.h"
#include "prefs/store/EnvPreferences.h"
#include "prefs/tracker/TrkPreferences.h"

namespace {

constexpr const char* c_TraceCategory = "Tracker/Hardware/DB2";
// DB2Timeout when it is not set, 0 or not a number.
constexpr long c_DefaultStepSeconds = 900;

// The tools, found on the PATH after /usr/bin and /usr/local/bin have been put in front of
// it (the hardware step puts the PATH back when it ends).
constexpr const char* c_UsrBinDir = "/usr/bin";
constexpr const char* c_UsrLocalBinDir = "/usr/local/bin";
constexpr const char* c_Uname = "uname";
constexpr const char* c_Ps = "ps";
constexpr const char* c_Db2ls = "db2ls";
constexpr const char* c_Db2lsList = "-c";
constexpr const char* c_Db2lsProducts[] = {"-p", "-q", "-b"};
constexpr const char* c_AIX = "AIX";
constexpr const char* c_Linux = "Linux";
// The listing formats as the tools are handed them (the "%u:%c" format is one argument).
constexpr const char* c_PsColonFormat = "%u:%c";
constexpr const char* c_AixPsAll = "-aeo";
constexpr const char* c_LinuxPsAll = "-axeo";
constexpr const char* c_SunPsColumns[] = {"-aeo", "user", "-o", "comm"};
constexpr const char* c_ProcDir = "/proc";
constexpr std::string_view c_UidLine = "\nUid:";
// What the first line of uname is trimmed of.
constexpr std::string_view c_SystemNameTrim = " \t\r\n\"";
constexpr const char* c_HomeParent = "/home/";
constexpr const char* c_LicenceTool = "sqllib/adm/db2licm";
constexpr const char* c_LicenceList = "-l";
constexpr const char* c_NumberFormat = "%u";
constexpr const char* c_NameSeparator = ":";

// The texts of the "ERROR during DB2 scan" line.
constexpr const char* c_TxtRunFailed = "Running '%s' failed with exit code %u.";
constexpr const char* c_TxtEmptyResult = "Running '%s' returned an empty result.";
constexpr const char* c_TxtBadRow =
    "The row: '%s' output by command '%s' is not in the expected format of "
    "<user><whitespace>:[<whitespace>]<executable/command>.";
constexpr const char* c_TxtDb2lsFails =
    "There appears to be a DB2 installation and DB instances running but the command 'db2ls -c' fails.";
constexpr const char* c_TxtBadPattern =
    "Couldn't compile regex ' [0-9][0-9]\\:[0-9][0-9]\\:[0-9][0-9] ', error %d.";
constexpr const char* c_TxtNoHeader =
    "Passed first line of output for command 'db2ls -c' and found no header (a comment, a line starting with '#').";
constexpr const char* c_TxtNoInstance = "Can't instantiate hardware element for class TVK_IBM_DB2.";
constexpr const char* c_TxtImpersonationFailed =
    "Running '%s' failed with exit code %u when impersonating user '%s'. No licence info will be available for "
    "user.";
constexpr const char* c_TxtTimeUp =
    "Time limit of %ld seconds (DB2Timeout) reached; '%s' and the queries after it were not run.";
constexpr const char* c_TxtNoPassword =
    "Running '%s' failed with exit code %u and no password is available for impersonating user '%s'. No licence "
    "info will be available for this user.";

void LogScanError(const std::string& text) {
  hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, trk::LOG_DB2_SCAN_ERROR, trk::TXT_DB2_SCAN_ERROR, text);
}

void LogRunFailed(const CommandLineC& commandLine, hx::ResultT rc) {
  LogScanError(hx::Format(c_TxtRunFailed, commandLine.ToString(), static_cast<uint32_t>(rc)));
}

// A new instance, or null (logged) when there is no memory for one.
RefM<HWInstance> NewInstance(const char* className, const StringC& name) {
  HWInstance* instance = new (std::nothrow) HWInstance(className, name, StringC());
  if (instance == nullptr) LogScanError(c_TxtNoInstance);
  return RefM<HWInstance>(instance);
}

StringC Numbered(const StringC& prefix, unsigned number) {
  return prefix + c_NameSeparator + hx::Format(c_NumberFormat, number);
}

// Whether the tracker may run the licence tool itself: 0 when the tool is trusted; a refusal
// is logged (it names the place, its owner and mode) and returned, as is a missing tool.
HX_NODISCARD hx::ResultT DirectRunAllowed(const StringC& tool) {
  hx::TrustFailureT failure;
  const hx::ResultT rc = hx::CheckTrusted(FileService()->systemPath(tool), nullptr, &failure);
  if (rc == hx::RC_UNTRUSTED) hx::ReportRefusal(failure);
  return rc;
}

// The listing "ps -axeo %u:%c" would give, from the machine's /proc (Linux's ps refuses those
// options): a "<user>:<command>" line per process in process id order, the command from its
// comm file, the user its effective uid (the second id of the status file's "Uid:" line) by
// name, or by number where the machine's accounts have no name for it.
StringArrayC ProcListing() {
  std::map<uint64_t, StringC> processes;
  const std::string proc = FileService()->systemPath(c_ProcDir);
  hx::DirStreamC dir(proc);
  if (!dir.valid()) return StringArrayC();
  while (const dirent* e = dir.next()) {
    uint64_t pid = 0;
    std::string comm, status;
    const std::string base = proc + "/" + e->d_name + "/";
    if (!hx::ParseUInt64(e->d_name, pid) || !hx::ReadHostFile(base + "comm", comm) ||
        !hx::ReadHostFile(base + "status", status))
      continue;
    const size_t at = status.find(c_UidLine);
    const size_t end = at == std::string::npos ? at : status.find('\n', at + 1);
    const StringArrayC ids =
        at == std::string::npos ? StringArrayC() : hx::SplitBlanks(status.substr(at + 1, end - at - 1));
    uint64_t uid = 0;
    StringC user;
    // "Uid:", then the real and the effective id.
    if (ids.size() < 3 || !hx::ParseUInt64(ids[2], uid)) continue;
    if (!hx::LookupUserName(uid, user)) user = ids[2];
    processes[pid] = user + c_NameSeparator + hx::Trim(comm);
  }
  StringArrayC lines;
  for (auto& [pid, line] : processes) lines.push_back(std::move(line));
  return lines;
}

}  // namespace

hx::ResultT HWClass_UnixIBMDB2::GetInventory(HWInstanceListT& instances, StringC /*className*/,
                                             const PropertyMap& /*parameters*/) {
  EnvPreferencesC prefs;
  int64_t seconds = 0;
  if (!hx::ParseInt64(prefs.GetValue(TrkPreferencesC::c_DB2Timeout), seconds) || seconds <= 0)
    seconds = c_DefaultStepSeconds;
  stepSeconds_ = static_cast<long>(std::min<int64_t>(seconds, hx::c_MaxToolTimeoutSeconds));
  deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(stepSeconds_);
  timeUp_ = false;
  // A PATH that cannot be changed still finds the tools where the caller's PATH has them.
  HX_IGNORE_RESULT(EnvUnixPathC::AddPath(c_UsrBinDir));
  HX_IGNORE_RESULT(EnvUnixPathC::AddPath(c_UsrLocalBinDir));
  StringArrayC owners;
  bool done = false;
  hx::ResultT rc = ReadOwners(owners, done);
  if (!done) rc = AddInstallations(instances, owners, done);
  if (done) return rc;
  StringArrayC db2users = prefs.GetMultiValue(TrkPreferencesC::c_DB2users);
  for (const StringC& owner : owners) AddLicences(instances, owner, db2users);
  for (StringC& entry : db2users) hx::ClearSecret(entry);
  return hx::RC_OK;
}

hx::ResultT HWClass_UnixIBMDB2::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT rc = HWClass_Unix::PopulateInstance(instance);
  if (hx::Succeeded(rc)) instance->AddProperty(c_Caption, instance->GetName());
  return rc;
}

hx::ResultT HWClass_UnixIBMDB2::ReadOwners(StringArrayC& owners, bool& done) {
  done = true;
  const CommandLineC uname{c_Uname};
  StringArrayC lines;
  std::chrono::milliseconds limit{0};
  if (!TimeFor(uname, limit)) return hx::RC_OK;
  hx::ResultT rc = RunCommand(uname, lines, limit);
  if (rc != hx::RC_OK) {
    LogRunFailed(uname, rc);
    return rc;
  }
  if (lines.empty()) {
    LogScanError(hx::Format(c_TxtEmptyResult, uname.ToString()));
    return hx::RC_OK;
  }
  const std::string_view raw = lines[0];
  const size_t first = raw.find_first_not_of(c_SystemNameTrim);
  const StringC system(first == std::string_view::npos
                           ? std::string_view()
                           : raw.substr(first, raw.find_last_not_of(c_SystemNameTrim) - first + 1));

  CommandLineC ps{c_Ps};
  hx::Db2PsFormatE format = hx::Db2PsFormatE::Colon;
  const bool onLinux = hx::EqualsNoCase(system, c_Linux);
  if (hx::EqualsNoCase(system, c_AIX)) {
    ps.Add(c_AixPsAll).Add(c_PsColonFormat);
  } else if (onLinux) {
    ps.Add(c_LinuxPsAll).Add(c_PsColonFormat);
  } else {
    // SunOS, and every other system, lists columns.
    for (const char* arg : c_SunPsColumns) ps.Add(arg);
    format = hx::Db2PsFormatE::Columns;
  }
  hx::Trace(c_TraceCategory, "system %s, process listing %s\n", system, ps.ToString());
  lines.clear();
  if (!TimeFor(ps, limit)) return hx::RC_OK;
  rc = RunCommand(ps, lines, limit);
  if (rc != hx::RC_OK && onLinux) {
    hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, trk::LOG_DB2_OWNERS_FROM_PROC, trk::TXT_DB2_OWNERS_FROM_PROC,
            ps.ToString(), static_cast<uint32_t>(rc));
    lines = ProcListing();
    rc = hx::RC_OK;
  }
  if (rc != hx::RC_OK) {
    LogRunFailed(ps, rc);
    return rc;
  }
  StringC badRow;
  if (!hx::ReadDb2Owners(lines, format, owners, badRow)) {
    LogScanError(hx::Format(c_TxtBadRow, badRow, ps.ToString()));
    return hx::RC_FAIL;
  }
  done = false;
  return hx::RC_OK;
}

hx::ResultT HWClass_UnixIBMDB2::AddInstallations(HWInstanceListT& instances, const StringArrayC& owners, bool& done) {
  done = true;
  const CommandLineC list{c_Db2ls, c_Db2lsList};
  StringArrayC lines;
  hx::ToolEndC end;
  std::chrono::milliseconds limit{0};
  if (!TimeFor(list, limit)) return hx::RC_OK;
  hx::ResultT rc = hx::RunCommandLines(list, lines, &end, limit);
  if (rc != hx::RC_OK) {
    // No engine and no db2ls is a machine without DB2, which is not worth a line; a db2ls
    // that was there and came to a bad end is.
    if (end.started || !owners.empty()) hx::LogToolFailure(list, end);
    if (owners.empty()) return hx::RC_OK;
    LogScanError(c_TxtDb2lsFails);
    return rc;
  }
  hx::Db2lsTableC table;
  rc = ReadTable(lines, table, true);
  if (hx::Failed(rc)) return rc;

  unsigned number = 0;
  for (const StringArrayC& row : table.rows) {
    const hx::Db2PropertiesT properties = hx::Db2InstallationProperties(table.columns, row);
    StringC name = hx::Format(c_NumberFormat, number++);
    for (const auto& [property, value] : properties) {
      if (property == hx::c_Db2InstallationPath) name = value;
    }
    RefM<HWInstance> installation = NewInstance(c_TVK_IBM_DB2, name);
    if (!installation) return hx::RC_FAIL;
    HX_IGNORE_RESULT(PopulateInstance(installation));  // an instance made just above: nothing to refuse
    for (const auto& [property, value] : properties) {
      installation->AddProperty(property, value);
      uint64_t uid = 0;
      StringC user;
      if (property == hx::c_Db2InstallationUserID && hx::ParseUInt64(value, uid) && hx::LookupUserName(uid, user))
        installation->AddProperty(c_InstallationUsername, user);
    }
    instances.push_back(installation);

    const StringC path = installation->GetProperty(hx::c_Db2InstallationPath);
    if (path.empty()) continue;
    CommandLineC products{c_Db2ls, c_Db2lsList};
    for (const char* arg : c_Db2lsProducts) products.Add(arg);
    products.Add(path);
    StringArrayC productLines;
    if (!TimeFor(products, limit)) break;
    rc = RunCommand(products, productLines, limit);
    if (rc != hx::RC_OK) {
      LogRunFailed(products, rc);
      break;
    }
    // A listing without its table gives the installation no products; the others go on.
    HX_IGNORE_RESULT(ParseInstallationSpecificDB2ls(instances, installation, productLines));
  }
  done = false;
  return hx::RC_OK;
}

hx::ResultT HWClass_UnixIBMDB2::ReadTable(const StringArrayC& lines, hx::Db2lsTableC& table, bool logMissingHeader) {
  switch (hx::ReadDb2lsTable(lines, table)) {
    case hx::Db2lsReadE::Ok: return hx::RC_OK;
    case hx::Db2lsReadE::BadPattern: LogScanError(hx::Format(c_TxtBadPattern, table.patternError)); break;
    case hx::Db2lsReadE::NoHeader:
      if (logMissingHeader) LogScanError(c_TxtNoHeader);
      hx::Trace(c_TraceCategory, "db2ls listing without a header (%lu lines)\n", lines.size());
      break;
  }
  return hx::RC_FAIL;
}

hx::ResultT HWClass_UnixIBMDB2::ParseInstallationSpecificDB2ls(HWInstanceListT& instances,
                                                               RefM<HWInstance> installation,
                                                               const StringArrayC& lines) {
  if (!installation) return hx::RC_INVALID_ARG;
  hx::Db2lsTableC table;
  const hx::ResultT rc = ReadTable(lines, table, false);
  if (hx::Failed(rc)) return rc;
  const StringC path = installation->GetProperty(hx::c_Db2InstallationPath);
  unsigned number = 0;
  for (const StringArrayC& row : table.rows) {
    RefM<HWInstance> product = NewInstance(c_TVK_IBM_DB2_PRODUCT, Numbered(path, number++));
    if (!product) return hx::RC_FAIL;
    for (const auto& [property, value] : hx::Db2ProductProperties(table.columns, row))
      product->AddProperty(property, value);
    instances.push_back(product);
  }
  return hx::RC_OK;
}

void HWClass_UnixIBMDB2::AddLicences(HWInstanceListT& instances, const StringC& owner, const StringArrayC& db2users) {
  StringArrayC lines;
  if (!LicenceLines(owner, db2users, lines)) return;
  const std::vector<StringArrayC> records = hx::ReadDb2Licences(lines);
  for (size_t r = 0; r < records.size(); ++r) {
    RefM<HWInstance> licence = NewInstance(c_TVK_IBM_DB2_LICENCE, Numbered(owner, static_cast<unsigned>(r)));
    if (!licence) return;
    licence->AddProperty(c_User, owner);
    for (size_t i = 0; i < records[r].size(); ++i) licence->AddProperty(hx::c_Db2LicenceProperties[i], records[r][i]);
    instances.push_back(licence);
  }
}

bool HWClass_UnixIBMDB2::LicenceLines(const StringC& owner, const StringArrayC& db2users, StringArrayC& lines) {
  RunBySuC::OptionsT account;
  if (!hx::LookupUserHome(owner, account.home, &account.shell)) account.home = c_HomeParent + owner;
  const StringC tool = account.home + (hx::EndsWith(account.home, "/") ? "" : "/") + c_LicenceTool;
  const CommandLineC command{tool, c_LicenceList};
  if (!TimeFor(command, account.timeLimit)) return false;
  hx::ResultT rc = DirectRunAllowed(tool);
  if (rc == hx::RC_OK) rc = RunCommand(command, lines, account.timeLimit);
  hx::Trace(c_TraceCategory, "%s directly: result %#lx\n", command.ToString(), static_cast<uint32_t>(rc));
  if (rc == hx::RC_OK) return true;

  lines.clear();
  StringC password;
  bool shared = false;
  if (!hx::FindDb2Password(db2users, owner, password, &shared)) {
    LogScanError(hx::Format(c_TxtNoPassword, command.ToString(), static_cast<uint32_t>(rc), owner));
    return true;
  }
  // su asks root for no password: a prompt that a run as root meets comes from the owner's own
  // programs (a shell start-up file, the tool itself), so a password that is not the owner's
  // own is never written there, where that owner would read it. The owner's own is harmless.
  if (shared && ::geteuid() == 0) hx::ClearSecret(password);
  // The direct run may have used up the step's time.
  const bool inTime = TimeFor(command, account.timeLimit);
  const hx::ResultT impersonated = inTime ? RunCommandImpersonate(command, lines, owner, password, account) : hx::RC_OK;
  hx::ClearSecret(password);
  if (impersonated != hx::RC_OK) {
    LogScanError(hx::Format(c_TxtImpersonationFailed, command.ToString(), static_cast<uint32_t>(impersonated), owner));
  }
  return true;
}

bool HWClass_UnixIBMDB2::TimeFor(const CommandLineC& query, std::chrono::milliseconds& limit) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
  if (!timeUp_ && left.count() > 0) {
    limit = std::min<std::chrono::milliseconds>(left, std::chrono::seconds(hx::GetToolTimeout()));
    return true;
  }
  if (!timeUp_) LogScanError(hx::Format(c_TxtTimeUp, stepSeconds_, query.ToString()));
  timeUp_ = true;
  return false;
}
