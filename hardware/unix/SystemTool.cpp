#include "hardware/unix/SystemTool.h"

#include "foundation/files/FileInfo.h"
#include "foundation/files/FileService.h"

namespace hx {

bool SystemToolExists(std::string_view fixedPath) {
  FileInfoC info;
  const FileNameC mapped(FileService()->systemPath(fixedPath));
  return Succeeded(info.read(mapped, true)) && info.isRegular();
}

}  // namespace hx
