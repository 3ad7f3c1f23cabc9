#pragma once
// UplUploaderC: where the run stages its inventory for upload, and how the uploader library
// is found and called. The library ("libuploader", entry point "UplUploadWithContext") lies
// outside the run: it gets the launcher context, reads the upload preferences through it and
// answers 0 when the staged files were delivered.

#include "app/staging/DynLoad.h"
#include "foundation/com/ZORHXContext.h"
#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

class UplUploaderC {
 public:
  static constexpr const char* c_LibraryStem = "libuploader";
  static constexpr const char* c_EntryPoint = "UplUploadWithContext";
  static constexpr const char* c_LibrarySubdirectory = "/lib";
  using EntryPointT = int32_t (*)(ZORHXContextI*);

  // The staging directory for an upload rule and inventory type: UploadDirectory when set,
  // else MachineUploadDirectory for the type "Machine" (any case; an empty type counts as
  // "Machine") and UserUploadDirectory for any other.
  static FileNameC GetUploadDirectory(const StringC& rule, const StringC& inventoryType);
  // Whether the uploader dropped a file from its spool below the staging directory since the
  // last full inventory: the server's chain of generations has a hole, and only a full
  // inventory closes it. The mark counts only as a regular file, not through a link.
  static bool FullInventoryRequested(const FileNameC& uploadDirectory);

  // Loads the uploader: <InstallDir>/lib/libuploader (or <InstallDir>/lib<directory>/libuploader
  // with a directory) when the configuration names an install directory, else the bare name;
  // when that fails, the bare name on the loader's search path. A success of the second try
  // takes the first failure's message out of the error buffer again.
  HX_NODISCARD static hx::ResultT ConnectToUploader(const FileNameC* directory, DynLoadC& library);
  // Loads the uploader, calls its entry point with the context and answers its result;
  // MSG_LOAD_LIBRARY when it cannot be loaded, MSG_LOOKUP_FUNCTION without the entry point.
  HX_NODISCARD static hx::ResultT DynamicUpload(ZORHXContextI* context, const FileNameC* directory);
};
