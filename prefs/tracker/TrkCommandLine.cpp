// The command line: hxtrack [-o Name[=Value]]... [-t Machine|User]

#include <unistd.h>

#include <vector>

#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "prefs/tracker/TrkMessages.h"
#include "prefs/tracker/TrkPreferences.h"
#include "prefs/tracker/TrkSecretValues.h"

namespace {

constexpr const char* c_OptionString = "o:t:";
constexpr const char* c_ListSeparators = ",;";
constexpr char c_Assign = '=';

// getopt keeps its position in globals; every parse starts from the first argument. glibc
// reinitialises fully (including the scan inside a group like "-ot") only with 0.
void ResetGetopt() {
#ifdef __GLIBC__
  optind = 0;
#else
  optind = 1;
#endif
  opterr = 0;
}

}  // namespace

hx::ResultT TrkPreferencesC::LoadCommandPreferences(int argc, char** argv) {
  if (argc <= 0 || argv == nullptr) return hx::RC_OK;
  // getopt may reorder the vector it is given; the caller's stays as it came.
  std::vector<char*> args(argv, argv + argc);
  args.push_back(nullptr);
  ResetGetopt();
  hx::ResultT r = hx::RC_OK;
  int option;
  while (hx::Succeeded(r) && (option = ::getopt(argc, args.data(), c_OptionString)) != -1) {
    switch (option) {
      case 'o':
        r = ApplyOption(optarg != nullptr ? optarg : "");
        break;
      case 't':
        AddValue(c_InventoryType, StringC(optarg != nullptr ? optarg : ""));
        break;
      default:
        r = InvalidOption(optind >= 1 && optind - 1 < argc ? args[optind - 1] : "");
        break;
    }
  }
  ResetGetopt();
  return r;
}

hx::ResultT TrkPreferencesC::ApplyOption(const StringC& argument) {
  const size_t assign = argument.find(c_Assign);
  if (assign == StringC::npos) {
    AddValue(GetOption(argument), StringC("True"));
    return hx::RC_OK;
  }
  const env_EnvOptsC option = GetOption(argument.substr(0, assign));
  const StringC value = argument.substr(assign + 1);
  if (option.IsMulti()) {
    const StringArrayC pieces = SplitList(value, c_ListSeparators);
    AddValue(option, &pieces);
  } else {
    AddValue(option, value);
  }
  return hx::RC_OK;
}

hx::ResultT TrkPreferencesC::InvalidOption(const char* argument) {
  const StringC text = trk::MaskSecretArgument(argument != nullptr ? argument : "");
  hx::Log(trk::c_LetterPreferences, trk::c_NumberGeneral, trk::LOG_INVALID_OPTION, trk::TXT_LOG_INVALID_OPTION, text);
  return Error(trk::MSG_INVALID_OPTION, trk::TXT_INVALID_OPTION, text);
}
