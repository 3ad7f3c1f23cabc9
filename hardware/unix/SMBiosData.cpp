#include "hardware/unix/SMBiosData.h"

StringC SMBiosDataC::GetValue(const StringC& name) const {
  const auto it = values_.find(name);
  return it == values_.end() ? StringC() : it->second;
}
