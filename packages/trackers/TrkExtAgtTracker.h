#pragma once
// TrkExtAgtTrackerC: the identity of other management agents installed beside this one, read
// from their configuration files, as instances of the hardware class TVK_ExternalAgent:
//
//   <Hardware Class="TVK_ExternalAgent" Name="TLMAgent" Evidence="OS API">
//     <Property Name="Name" Value="TLMAgent"/> <Property Name="Type" Value="TLM"/>
//     <Property Name="ID" Value="42"/> <Property Name="Version" Value="7.5"/>
//   </Hardware>

#include <string>

#include "foundation/core/Nodiscard.h"
#include "packages/trackers/TrkTrackPkg.h"

class TrkExtAgtTrackerC : public TrkTrackC {
 public:
  static constexpr const char* c_sClass = "TVK_ExternalAgent";
  static constexpr const char* c_sEvidence = "OS API";
  static constexpr const char* c_sType = "TLM";
  static constexpr const char* c_sTLMAgent = "TLMAgent";
  static constexpr const char* c_sTLMStandalone = "TLMStandalone";

  explicit TrkExtAgtTrackerC(TrkPreferencesC& prefs) : prefs_(prefs) {}

  // 0, or the failure to reach the root.
  HX_NODISCARD hx::ResultT Track(ZORHXTInventoryI* inventory);
  // Adds the agent of one configuration file: nothing when the file cannot be read (or is not
  // trusted) or names no agentid.
  static void TLMExternalAgent(TrkInventoryEntityC* root, const std::string& path, const char* name);

 private:
  TrkPreferencesC& prefs_;
};
