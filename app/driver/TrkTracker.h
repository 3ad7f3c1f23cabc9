#pragma once
// TrkTrackerC: the generic run driver, the tracker component whose Run performs one inventory
// run from start to finish: whether a run is needed at all, the tracking phases that fill the
// inventory tree (on the outer tracker, so that an aggregating object can take them over),
// writing the inventory or its delta, signing it, staging it in the upload directory and
// handing it to the uploader. The platform class supplies the phases through the four hooks.
//
// One object serves one run, on the main thread. Preferences are read when needed, since the
// run itself writes a few of them (SkipInventory, Difference, Generation and the uploader's)
// for its later steps and for the uploader.

#include <atomic>
#include <cstddef>

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/RefCount.h"
#include "inventory/TrkInventory.h"
#include "inventory/ZORHXTTracker.h"
#include "prefs/tracker/TrkPreferences.h"

class TrkTrackerC : public ZORHXTTrackerI {
 public:
  TrkTrackerC(const TrkTrackerC&) = delete;
  TrkTrackerC& operator=(const TrkTrackerC&) = delete;

  // IUnknown and IID_ZORHXTTracker answer the object itself. Every reference also counts in
  // the component server's object count.
  hx::ResultT QueryInterface(const ZORGUID& iid, void** out) override;
  unsigned long AddRef() override;
  unsigned long Release() override;

  hx::ResultT Run(ZORHXContextI* context, int* exitCode) override;
  hx::ResultT PostLoadPreferences(ZORHXContextI* context) override;
  // The interface forms of the phases call the matching hook.
  hx::ResultT TrackHardware(ZORHXTInventoryI* inventory, ZORHXContextI* context) override;
  hx::ResultT TrackKeys(ZORHXTInventoryI* inventory, ZORHXContextI* context) override;
  hx::ResultT TrackPackages(ZORHXTInventoryI* inventory, ZORHXContextI* context) override;
  hx::ResultT TrackContents(ZORHXTInventoryI* inventory, ZORHXContextI* context) override;
  hx::ResultT TrackContent(ZORHXTInventoryEntityI* entity, ZORHXContextI* context, TrkResultE* result) override;
  // Writes the driver's own inventory document (any other document is refused with
  // RC_INVALID_ARG) to the path, creating its directory.
  hx::ResultT GenerateInventory(ZORHXTInventoryI* inventory, const char* path, ZORHXContextI* context) override;
  // Sets the uploader's preferences and calls the uploader library (app/staging). The path is
  // not used: the uploader finds the staged files through the preferences of the context.
  hx::ResultT UploadInventory(const char* path, ZORHXContextI* context) override;
  hx::ResultT SetOuter(ZORHXTTrackerI* outer) override;
  hx::ResultT Register(ComRegistryI* registry) override;

  // True when no new inventory is needed: SkipInventory is set, or the inventory file is
  // younger than MinInventoryInterval hours (then SkipInventory is set for the rest of the run).
  bool IsInventoryRecentEnough();
  // A new random identifier in its 36-character text form.
  static StringC NewGuid();
  // Writes the delta of the inventory against the inventory file `base` to `output`; `read` is
  // that file read already, or null to read it here.
  HX_NODISCARD hx::ResultT GenerateDiff(const FileNameC& base, const FileNameC& output, TrkBaseInventoryC* read = nullptr);
  // Appends the signature comment to the inventory file (see TrkTamperShield.h).
  HX_NODISCARD hx::ResultT TamperShield(const FileNameC& file);
  // gzip-compresses source into target (app/staging).
  HX_NODISCARD static hx::ResultT CompressInventory(const FileNameC& source, const FileNameC& target);

  TrkInventoryC* GetInventory() const { return inventory_.get(); }
  TrkPreferencesC& Preferences() { return prefs_; }
  const StringC& GeneratedName() const { return generatedName_; }

 protected:
  TrkTrackerC();
  virtual ~TrkTrackerC();

  // The platform's phases, called through the interface forms above.
  HX_NODISCARD virtual hx::ResultT TrackHardware() = 0;
  HX_NODISCARD virtual hx::ResultT TrackKeys() = 0;
  HX_NODISCARD virtual hx::ResultT TrackPackages() = 0;
  HX_NODISCARD virtual hx::ResultT TrackContents() = 0;
  // Writes the machine's identifier (braced text, 39 bytes with the terminator) into buffer
  // and answers 0; any other answer means the platform has none.
  HX_NODISCARD virtual int GetMachineGuid(char* buffer, size_t size);

  // The machine identifier, when the platform has one, becomes the preference MachineGuid.
  // Called by the platform class's constructor, where GetMachineGuid reaches its override.
  void ApplyMachineGuid();
  // Replaces a preference by one value for the rest of the run.
  void SetPreference(const env_EnvOptsC& name, const StringC& value);
  void SetPreference(const char* name, const StringC& value);

  TrkPreferencesC prefs_;
  ZORHXContextI* context_ = nullptr;      // the context last handed to TrackContents
  ZORHXTInventoryI* contents_ = nullptr;  // the inventory last handed to TrackContents
  RefM<TrkInventoryC> inventory_;
  // The delta written, which holds the inventory's new and changed entities (with a file scan,
  // nearly all of them): released with the inventory at the end of the run. Released as soon as
  // it is written, its hundreds of thousands of small blocks would all be merged by the
  // allocator at the staging step's first large buffer.
  RefM<TrkInventoryC> delta_;
  ZORHXTTrackerI* outer_ = this;
  StringC generatedName_;

 private:
  struct RunFilesT;
  void LogConstruction();
  TrkInventoryHeaderT MakeHeader();
  HX_NODISCARD hx::ResultT RunSteps(ZORHXContextI* context, RunFilesT& files);
  void StartReadingBase(RunFilesT& files, bool guidAsName, const StringC& type);
  HX_NODISCARD hx::ResultT TrackPhases(ZORHXContextI* context, bool machine, bool user);
  FileNameC InventoryFileName(bool guidAsName);
  HX_NODISCARD hx::ResultT PreparePreviousGeneration(RunFilesT& files);
  HX_NODISCARD hx::ResultT WriteInventory(ZORHXContextI* context, RunFilesT& files);
  HX_NODISCARD hx::ResultT WriteFullInventory(ZORHXContextI* context, RunFilesT& files);
  // Moves the entities of a delta's "Update" and "Add" back into the inventory.
  void ReturnEntities(TrkInventoryC& delta);
  HX_NODISCARD hx::ResultT StageInventory(RunFilesT& files, const StringC& type, bool guidAsName, bool tamperShield);
  HX_NODISCARD hx::ResultT StageCompressed(RunFilesT& files, const FileNameC& uploadDir, const StringC& stagedName);
  HX_NODISCARD hx::ResultT CloseRun(RunFilesT& files, hx::ResultT r, bool declined);
  // Whether the inventory file is there as a regular file; a link in its place is logged and
  // counts as no inventory.
  bool IsOwnInventory(const FileNameC& file);
  // Makes sure a directory the run writes into exists and is trusted; a refusal is reported
  // and returned as RC_UNTRUSTED (through the error buffer).
  HX_NODISCARD hx::ResultT TrustedDirectory(const FileNameC& dir);
  // Clears what killed runs left in the temporary and upload directories.
  void RemoveStaleFiles(const StringC& type);
  // A new temporary file of the run in a trusted dir; a failure is logged with `what`.
  FileNameC CreateTempIn(const FileNameC& dir, const StringC& suffix, const char* what);

  std::atomic<long> refs_{0};
};
