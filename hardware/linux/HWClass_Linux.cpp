#include "hardware/linux/HWClass_Linux.h"

#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<std::string>& Notes() {
  static std::vector<std::string> notes;
  return notes;
}

}  // namespace

void HWClass_Linux::NeedsRoot(const std::string& what) {
  std::vector<std::string>& notes = Notes();
  if (::geteuid() == 0 || std::find(notes.begin(), notes.end(), what) != notes.end()) return;
  notes.push_back(what);
}

std::string HWClass_Linux::TakeRootNotes() {
  std::string text;
  for (const std::string& note : Notes()) text += (text.empty() ? "" : ", ") + note;
  Notes().clear();
  return text;
}
