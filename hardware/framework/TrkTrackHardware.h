#pragma once
// TrkTrackHardwareC: the hardware step in general: a tracking step whose providers say how
// they obtained their values (the evidence). The platform's step derives from it and does the
// work (TrkTrackUnixHardwareC).

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "inventory/TrkTrack.h"

class ZORHXTInventoryI;
class ZORHXTTrackerI;
class ZORHXContextI;

class TrkTrackHardwareC : public TrkTrackC {
 public:
  // Evidence values. An instance with empty evidence is written with c_EvidenceOSAPI.
  static constexpr const char* c_EvidenceOSAPI = "OS API";
  static constexpr const char* c_EvidenceExternalTool = "External Tool";
  static constexpr const char* c_EvidenceCPUID = "CPUID";
  static constexpr const char* c_EvidenceWindowsAPI = "Windows API";

  TrkTrackHardwareC() = default;
  virtual ~TrkTrackHardwareC() = default;
  TrkTrackHardwareC(const TrkTrackHardwareC&) = delete;
  TrkTrackHardwareC& operator=(const TrkTrackHardwareC&) = delete;

  // Adds the hardware of the machine to the inventory. There is no generic way to do that:
  // RC_NOT_IMPL.
  HX_NODISCARD virtual hx::ResultT Track(ZORHXTInventoryI* inventory, ZORHXTTrackerI* tracker, ZORHXContextI* context);
};
