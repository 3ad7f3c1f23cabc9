#include "packages/model/PackageInfo.h"

#include "foundation/time/IsoDateTime.h"
#include "packages/model/PackageRecord.h"

hx::ResultT PackageInfoC::getFileList(StringArrayC* files) const {
  if (files == nullptr) return hx::RC_INVALID_ARG;
  *files = files_;
  return hx::RC_OK;
}

void PackageInfoC::setVersion(std::string_view text) {
  version_.parse(text, PackageVersionC::c_EpochVersionRelease);
  clearInfo();
}

bool PackageInfoC::getLocalISOInstallDate(IsoDateTimeC* date) const {
  if (installDate_ == 0 || date == nullptr) return false;
  date->Set(static_cast<time_t>(installDate_));
  return hx::Succeeded(date->SetTimezone(IsoTimeC::LocalTime, IsoDateTimeC::c_NoOffset));
}

std::string PackageInfoC::serialise() const {
  return trk::SerialisePackageRecord(trk::PackageRecordT{type_, name_, version_.asString(true)});
}
