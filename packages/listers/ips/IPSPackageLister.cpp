#include "packages/listers/ips/IPSPackageLister.h"

#include "foundation/files/FileService.h"
#include "packages/listers/PackageSources.h"
#include "packages/listers/ips/IpsManifest.h"

namespace {

constexpr const char* c_ContentsArguments = " contents -H -s pkg.fmri -o pkg.fmri,action.raw -tset";
constexpr const char* c_FileActions[] = {"-tfile", "-tlink", "-thardlink"};
constexpr hx::ResultT c_ExitedNonZero = -1;

}  // namespace

CommandLineC IPSPackageListerC::Command(uint32_t flags) {
  CommandLineC command(hx::SplitBlanks(std::string(trk::c_IpsTool) + c_ContentsArguments));
  if ((flags & trk::LISTER_FILE_LISTS) != 0) {
    for (const char* action : c_FileActions) command.Add(action);
  }
  return command;
}

hx::ResultT IPSPackageListerC::getPackageCollection(CollectionT* collection, uint32_t flags) {
  collection->clear();
  if (!FileService()->exists(FileNameC(FileService()->systemPath(trk::c_IpsTool)))) return hx::RC_OK;
  // A collection is always asked for everything; the file actions, by far the most of the
  // tool's output, are asked of it only when this lister was made for file lists.
  const CommandLineC command = Command(flags & (this->flags() | ~trk::LISTER_FILE_LISTS));
  IPSPkgManifestParserC parser(collection);
  uint32_t exitCode = 0;
  const hx::ResultT r = trk::RunSourceTool(command, &parser, nullptr, &exitCode);
  HX_IGNORE_RESULT(parser.Flush());  // a last line without its end: what it holds is added, nothing can fail
  parser.Close();
  trk::LogUnreadableLines(command, parser.unreadableLines());
  if (hx::Failed(r)) return r;
  return exitCode != 0 ? c_ExitedNonZero : hx::RC_OK;
}
