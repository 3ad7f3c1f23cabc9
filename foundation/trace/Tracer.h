#pragma once
// The developer trace: lines in named, hierarchical categories ("Tracker/Inventory/Upload"),
// written only when a category is switched on. A category without its own setting inherits
// its parent's; everything is off by default. Formatting happens only for enabled categories.
//
// A category text may start with a detail level and a comma ("3,Tracker/Software"): the line
// then goes only to consumers whose detail ("max_detail" of a profile, 9 by default) is at
// least that level. Without one the level is 0.
//
// Call sites:  hx::Trace("Tracker/Software", "Directory tracked: %s\n", path);
// or, remembering the category lookup across calls:
//              static hx::TraceSiteC s_site("Tracker/Software");
//              hx::Trace(s_site, "Directory tracked: %s\n", path);
//
// The process tracer (getTracer) is registered once by the program entry with its profile
// ("hxtrack.trace"), which switches categories on for the tracer's file consumer. The flag
// tracer (TraceFlags.h) is the other facility; the entry starts both from this header.

#include <cstdio>
#include <string>
#include <string_view>

#include "foundation/core/Format.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/trace/TraceConsumerFile.h"
#include "foundation/trace/TraceController.h"
#include "foundation/trace/TraceFlags.h"  // the flag tracer, started beside this one

class TracerC {
 public:
  static constexpr int kVersion = 2;

  TracerC();
  ~TracerC();
  TracerC(const TracerC&) = delete;
  TracerC& operator=(const TracerC&) = delete;

  // Names the task and, when `profile` is given, loads it into the file consumer and takes the
  // consumer's detail from the profile's max_detail. Returns the profile's result.
  HX_NODISCARD hx::ResultT registerTask(const char* name, const char* profile, const char* description);
  void unregisterTask();
  TraceConsumerFileC* getDefaultConsumer() { return &file_; }
  TraceControllerC& controller() { return controller_; }

  // `cache` may be null; a cache belongs to one category text.
  bool enabled(std::string_view category, TraceCacheT* cache);
  void traceArgs(std::string_view category, TraceCacheT* cache, std::string_view format, const hx::ArgListC& args);
  template <typename... Args>
  void trace(std::string_view category, TraceCacheT* cache, std::string_view format, Args&&... args) {
    if (enabled(category, cache))
      traceArgs(category, cache, format, hx::ArgListC{hx::ArgC(std::forward<Args>(args))...});
  }

  // The indentation of the calling thread's lines.
  void indent();
  void outdent();

  const std::string& taskName() const { return taskName_; }
  const std::string& description() const { return description_; }
  long taskId() const { return taskId_; }

 private:
  const TraceControlVarC* resolve(std::string_view category, TraceCacheT* cache, int& detail);

  TraceControllerC controller_;
  TraceConsumerFileC file_;
  std::string taskName_, description_;
  long taskId_ = 0;
};

// The process tracer for interface version 2; null for any other version.
TracerC* getTracer(int version);

namespace hx {

// A call site's category together with its lookup cache.
class TraceSiteC {
 public:
  explicit TraceSiteC(const char* category) : category_(category) {}
  std::string_view category() const { return category_; }
  TraceCacheT* cache() { return &cache_; }

 private:
  const char* category_;
  TraceCacheT cache_;
};

bool TraceEnabled(std::string_view category);
bool TraceEnabled(TraceSiteC& site);
void TraceArgs(std::string_view category, std::string_view format, const ArgListC& args);
void TraceArgs(TraceSiteC& site, std::string_view format, const ArgListC& args);

template <typename... Args>
void Trace(std::string_view category, std::string_view format, Args&&... args) {
  if (TraceEnabled(category)) TraceArgs(category, format, ArgListC{ArgC(std::forward<Args>(args))...});
}
template <typename... Args>
void Trace(TraceSiteC& site, std::string_view format, Args&&... args) {
  if (TraceEnabled(site)) TraceArgs(site, format, ArgListC{ArgC(std::forward<Args>(args))...});
}

// Switches a category (and, by inheritance, its children) on or off, or back to inheriting,
// for the process tracer's file consumer.
void TraceEnable(std::string_view category);
void TraceInherit(std::string_view category);
// Where trace lines go instead of the profile's file; null goes back to it (standard error
// when the profile names none). The stream is not owned.
void TraceSetOutput(std::FILE* out);

}  // namespace hx
