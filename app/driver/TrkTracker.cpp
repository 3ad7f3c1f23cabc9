#include "app/driver/TrkTracker.h"

#include <unistd.h>
#include <uuid/uuid.h>

#include <ctime>

#include "app/driver/TrkRunFiles.h"
#include "app/driver/TrkRunLog.h"
#include "app/driver/TrkRunMessages.h"
#include "app/interaction/TrkTrackerGUI.h"
#include "foundation/com/ComServerCounter.h"
#include "foundation/files/FileService.h"
#include "foundation/files/Trust.h"
#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "foundation/trace/Tracer.h"
#include "inventory/XmlOutputStream.h"
#include "prefs/defaults/EnvConverters.h"

namespace {

using P = TrkPreferencesC;
using namespace trk::run;

// The release process stamps the build; a build from the source tree is build 0.
constexpr const char* c_BuildNumber = "0";
constexpr size_t c_PathBuffer = 1024;
constexpr size_t c_MachineGuidBuffer = 39;
constexpr long c_SecondsPerHour = 3600;
constexpr size_t c_UuidTextBuffer = 37;
constexpr const char* c_True = "True";
constexpr const char* c_MachineGuid = "MachineGuid";
constexpr const char* c_UserLogonDomain = "UserLogonDomain";
// The sections of a delta that hold entities taken out of this run's inventory.
constexpr const char* c_DeltaUpdate = "Update";
constexpr const char* c_DeltaAdd = "Add";

StringC CurrentDirectory() {
  char buffer[c_PathBuffer] = {};
  return ::getcwd(buffer, sizeof buffer) != nullptr ? StringC(buffer) : StringC();
}

}  // namespace

TrkTrackerC::TrkTrackerC() {
  LogConstruction();
  inventory_ = TrkInventoryC::New();
  HX_IGNORE_RESULT(inventory_->AddRootAttributes(MakeHeader()));  // fixed names: Add fails only for an empty one
}

TrkTrackerC::~TrkTrackerC() {
  inventory_.reset();
  delta_.reset();
  trk::LogGeneral(LOG_TRACKING_FINISHED, TXT_TRACKING_FINISHED);
}

void TrkTrackerC::LogConstruction() {
  trk::LogGeneral(LOG_PROGRAM_VERSION, TXT_PROGRAM_VERSION, prefs_.GetValue(P::c_Title), prefs_.GetValue(P::c_Version));
  trk::LogGeneral(LOG_PROGRAM_PATH, TXT_PROGRAM_PATH, CurrentDirectory());
  trk::LogGeneral(LOG_BUILD_NUMBER, TXT_BUILD_NUMBER, c_BuildNumber);
  trk::LogGeneral(LOG_PROGRAM_USER, TXT_PROGRAM_USER, prefs_.GetValue(P::c_UserName));
  trk::LogGeneral(LOG_TRACKING_STARTED, TXT_TRACKING_STARTED);
}

TrkInventoryHeaderT TrkTrackerC::MakeHeader() {
  TrkInventoryHeaderT h;
  h.version = prefs_.GetValue(P::c_Version);
  h.inventoryType = prefs_.GetValue(P::c_InventoryType);
  h.fullQualifiedDomainName = prefs_.GetValue(P::c_FullyQualifiedDomainName);
  h.machineId = prefs_.GetValue(P::c_MachineId);
  h.userId = prefs_.GetValue(P::c_UserId);
  h.userLogonDomain = prefs_.GetValue(StringC(c_UserLogonDomain));
  h.deviceId = prefs_.GetValue(P::c_DeviceID);
  h.job = prefs_.GetValue(P::c_JobTag);
  h.expectHardware = prefs_.GetBoolean(P::c_ExpectHardware, 0);
  h.expectSoftware = prefs_.GetBoolean(P::c_ExpectSoftware, 0);
  h.expectTrackFilesInUserInventory = prefs_.GetBoolean(P::c_ExpectTrackFilesInUserInventory, 0);
  h.dateTime = prefs_.GetValue(P::c_DateTime);
  h.configuration = prefs_.GetValue(P::c_Configuration);
  h.generation = prefs_.GetValue(P::c_Generation);
  return h;
}

void TrkTrackerC::ApplyMachineGuid() {
  char buffer[c_MachineGuidBuffer] = {};
  if (GetMachineGuid(buffer, sizeof buffer) == 0) SetPreference(c_MachineGuid, StringC(buffer));
}

int TrkTrackerC::GetMachineGuid(char* /*buffer*/, size_t /*size*/) { return 1; }

void TrkTrackerC::SetPreference(const env_EnvOptsC& name, const StringC& value) {
  // The run's own state wins over everything loaded, fixed values included: a later step must
  // read what this run decided (no base file means no delta, whatever the administrator set).
  const StringArrayC values{value};
  prefs_.AddValue(name, &values, 1);
}

void TrkTrackerC::SetPreference(const char* name, const StringC& value) {
  SetPreference(prefs_.GetOption(StringC(name)), value);
}

// ---- the component ----

hx::ResultT TrkTrackerC::QueryInterface(const ZORGUID& iid, void** out) {
  if (out == nullptr) return hx::RC_INVALID_ARG;
  *out = nullptr;
  if (iid != IID_IUnknown && iid != IID_ZORHXTTracker) return hx::RC_NO_INTERFACE;
  *out = static_cast<ZORHXTTrackerI*>(this);
  AddRef();
  return hx::RC_OK;
}

unsigned long TrkTrackerC::AddRef() {
  ComServerCounterC::Increment();
  return static_cast<unsigned long>(refs_.fetch_add(1, std::memory_order_relaxed) + 1);
}

unsigned long TrkTrackerC::Release() {
  ComServerCounterC::Decrement();
  const long left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return static_cast<unsigned long>(left);
}

hx::ResultT TrkTrackerC::PostLoadPreferences(ZORHXContextI* /*context*/) { return hx::RC_OK; }

hx::ResultT TrkTrackerC::Register(ComRegistryI* /*registry*/) { return hx::RC_OK; }

hx::ResultT TrkTrackerC::SetOuter(ZORHXTTrackerI* outer) {
  outer_ = outer != nullptr ? outer : this;
  return hx::RC_OK;
}

hx::ResultT TrkTrackerC::TrackHardware(ZORHXTInventoryI* /*inventory*/, ZORHXContextI* /*context*/) {
  return TrackHardware();
}

hx::ResultT TrkTrackerC::TrackKeys(ZORHXTInventoryI* /*inventory*/, ZORHXContextI* /*context*/) { return TrackKeys(); }

hx::ResultT TrkTrackerC::TrackPackages(ZORHXTInventoryI* /*inventory*/, ZORHXContextI* /*context*/) {
  return TrackPackages();
}

hx::ResultT TrkTrackerC::TrackContents(ZORHXTInventoryI* inventory, ZORHXContextI* context) {
  // Only the contents phase keeps what it was given: the file scan reports back through the
  // context it was started with, and writes into the given inventory when that is the document
  // this tracker made (the scan refuses any other).
  contents_ = inventory;
  context_ = context;
  return TrackContents();
}

hx::ResultT TrkTrackerC::TrackContent(ZORHXTInventoryEntityI* /*entity*/, ZORHXContextI* /*context*/,
                                      TrkResultE* result) {
  if (result != nullptr) *result = TrkNoDecision;
  return hx::RC_OK;
}

// ---- freshness ----

bool TrkTrackerC::IsInventoryRecentEnough() {
  bool recent = prefs_.GetBoolean(P::c_SkipInventory, 0);
  if (recent) return true;
  const FileNameC file = trk::InventoryPath(prefs_.GetValue(P::c_InventoryDirectory),
                                            trk::FileNameValue(prefs_, P::c_InventoryFile), StringC());
  const long interval = env_FunStrToIntC()(prefs_.GetValue(P::c_MinInventoryInterval), 0);
  if (interval <= 0 || !IsOwnInventory(file)) return recent;

  // Whole hours, truncated toward zero: a file from the future has a negative age.
  FileInfoC info;
  if (hx::Failed(FileService()->info(file, &info, false))) return recent;
  const long age = static_cast<long>((std::time(nullptr) - info.modificationTime()) / c_SecondsPerHour);
  trk::LogGeneral(LOG_INVENTORY_AGE, TXT_INVENTORY_AGE, file.text(), age);
  if (interval > age && age >= 0) {
    SetPreference(P::c_SkipInventory, StringC(c_True));
    recent = true;
  }
  return recent;
}

StringC TrkTrackerC::NewGuid() {
  uuid_t id;
  uuid_generate_random(id);
  char text[c_UuidTextBuffer] = {};
  uuid_unparse(id, text);
  return StringC(text);
}

// ---- writing ----

hx::ResultT TrkTrackerC::GenerateInventory(ZORHXTInventoryI* inventory, const char* path, ZORHXContextI* context) {
  hx::Trace(c_TraceGenerate, "Started generating inventory\n");
  if (inventory == nullptr || path == nullptr || context == nullptr) return hx::RC_INVALID_ARG;
  // Only the document this tracker made is written: it is held as what it is, never cast back.
  if (inventory != static_cast<ZORHXTInventoryI*>(inventory_.get())) return hx::RC_INVALID_ARG;
  TrkInventoryC* doc = inventory_.get();

  const FileNameC file(path);
  trk::LogGeneral(LOG_GENERATE_STARTED, TXT_GENERATE_STARTED, file.text());
  hx::ResultT r = file.directory().empty() ? hx::RC_OK : TrustedDirectory(file.parent());
  if (r == hx::RC_UNTRUSTED) {
    trk::NextStatusItem(false);
    return r;
  }
  // A link where the inventory belongs is logged; the save replaces it, never writes through it.
  IsOwnInventory(file);
  r = XmlSaveFile(&file, doc);
  trk::FlushMessages();
  if (hx::Failed(r)) {
    hx::Trace(c_TraceGenerate, "Inventory '%1$s' not saved: 0x%2$08X\n", file.text(), static_cast<uint32_t>(r));
    if (TrkTrackerGUIC::IsCancelled()) {
      r = Error(MSG_CANCELLED, TXT_CANCELLED);
    } else {
      r = Error(MSG_RAW_INVENTORY, TXT_RAW_INVENTORY);
      // A run from cron shows no error window: the log is where its failure has to be found.
      trk::LogGeneral(MSG_RAW_INVENTORY, TXT_RAW_INVENTORY);
    }
  } else {
    trk::LogGeneral(LOG_GENERATE_FINISHED, TXT_GENERATE_FINISHED);
  }
  trk::NextStatusItem(hx::Succeeded(r));
  hx::Trace(c_TraceGenerate, "Finished generating inventory\n");
  return r;
}

void TrkTrackerC::ReturnEntities(TrkInventoryC& delta) {
  for (TrkInventoryEntityC* section = delta.GetFirstChild(); section != nullptr; section = section->GetNext()) {
    if (section->getTag() != c_DeltaUpdate && section->getTag() != c_DeltaAdd) continue;
    while (TrkInventoryEntityC* entity = section->GetFirstChild()) {
      const RefM<TrkInventoryEntityC> held(entity);
      if (hx::Failed(section->RemoveEntity(entity)) || hx::Failed(inventory_->AddEntity(entity))) break;
    }
  }
}

hx::ResultT TrkTrackerC::GenerateDiff(const FileNameC& base, const FileNameC& output, TrkBaseInventoryC* read) {
  TrkInventoryC* delta = nullptr;
  if (read != nullptr) hx::Trace(c_TraceGenerate, "Delta against '%1$s', read while tracking\n", base.text());
  hx::ResultT r = read != nullptr ? inventory_->GenerateDiff(*read, MakeHeader(), &delta)
                                  : inventory_->GenerateDiff(base, MakeHeader(), &delta);
  if (hx::Succeeded(r)) {
    RefM<TrkInventoryC> held = RefM<TrkInventoryC>::Adopt(delta);
    if (!output.directory().empty()) r = TrustedDirectory(output.parent());
    if (hx::Succeeded(r)) r = XmlSaveFile(&output, held.get());
    // The new and changed entities moved into the delta. A delta that is not published gives
    // them back: the full inventory written in its place must hold them.
    if (hx::Failed(r)) ReturnEntities(*held);
    else delta_ = std::move(held);
  }
  if (hx::Succeeded(r)) return TrkTrackerGUIC::IsCancelled() ? Error(MSG_CANCELLED, TXT_CANCELLED) : hx::RC_OK;
  hx::Trace(c_TraceGenerate, "Delta against '%1$s' not written: 0x%2$08X\n", base.text(), static_cast<uint32_t>(r));
  // A read of the base that a stop signal ended is no reason for a full inventory instead.
  if (TrkTrackerGUIC::IsCancelled()) return Error(MSG_CANCELLED, TXT_CANCELLED);
  return Error(MSG_RAW_INVENTORY, TXT_RAW_INVENTORY);
}
