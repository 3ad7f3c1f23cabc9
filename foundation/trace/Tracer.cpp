#include "foundation/trace/Tracer.h"

#include <unistd.h>

#include "foundation/core/Text.h"
#include "foundation/core/TraceHook.h"
#include "foundation/files/Trust.h"
#include "foundation/messages/TrustRefusal.h"

namespace {

thread_local int t_indent = 0;

// Splits "3,Tracker/Software" into the detail level 3 and the path; a text without a leading
// number and comma has level 0.
std::string_view SplitDetail(std::string_view category, int& detail) {
  detail = 0;
  size_t i = 0;
  int level = 0;
  while (i < category.size() && category[i] >= '0' && category[i] <= '9') {
    if (level < 1000) level = level * 10 + (category[i] - '0');
    ++i;
  }
  if (i == 0 || i >= category.size() || category[i] != ',') return category;
  detail = level;
  return category.substr(i + 1);
}

}  // namespace

TracerC::TracerC() : file_(controller_) {}

TracerC::~TracerC() = default;

hx::ResultT TracerC::registerTask(const char* name, const char* profile, const char* description) {
  taskName_ = name ? name : "";
  description_ = description ? description : "";
  taskId_ = static_cast<long>(getpid());
  file_.setTaskName(taskName_);
  if (profile == nullptr || *profile == '\0') return hx::RC_OK;
  // A profile chooses where trace lines go and what they show: one that another user could
  // have put in the working directory is not read.
  hx::TrustFailureT failure;
  if (hx::CheckTrusted(profile, nullptr, &failure) == hx::RC_UNTRUSTED) {
    hx::ReportRefusal(failure);
    return hx::RC_UNTRUSTED;
  }
  const hx::ResultT rc = file_.loadProfile(profile);
  controller_.setDetail(&file_, file_.settings().maxDetail);
  return rc;
}

void TracerC::unregisterTask() {
  taskName_.clear();
  description_.clear();
  taskId_ = 0;
}

const TraceControlVarC* TracerC::resolve(std::string_view category, TraceCacheT* cache, int& detail) {
  if (cache != nullptr) {
    TraceControlVarC* var = cache->var.load(std::memory_order_acquire);
    if (var != nullptr) {
      detail = cache->detail.load(std::memory_order_relaxed);
      return var;
    }
  }
  TraceControlVarC* var = controller_.find(SplitDetail(category, detail));
  if (cache != nullptr) {
    cache->detail.store(detail, std::memory_order_relaxed);
    cache->var.store(var, std::memory_order_release);
  }
  return var;
}

bool TracerC::enabled(std::string_view category, TraceCacheT* cache) {
  if (!controller_.anyEnabled()) return false;
  int detail = 0;
  const TraceControlVarC* var = resolve(category, cache, detail);
  return controller_.enabled(var, detail);
}

void TracerC::traceArgs(std::string_view category, TraceCacheT* cache, std::string_view format,
                        const hx::ArgListC& args) {
  if (!controller_.anyEnabled()) return;
  int detail = 0;
  const TraceControlVarC* var = resolve(category, cache, detail);
  if (!controller_.enabled(var, detail)) return;
  controller_.deliver(var, detail, hx::FormatArgs(format, args), t_indent);
}

void TracerC::indent() { ++t_indent; }
void TracerC::outdent() {
  if (t_indent > 0) --t_indent;
}

TracerC* getTracer(int version) {
  static TracerC* tracer = [] {
    TracerC* made = new TracerC;  // never destroyed: tracing may run at exit
    // The services below the tracer trace through their hook from now on.
    static const hx::TraceHookT s_hook{
        [](std::string_view category) { return hx::TraceEnabled(category); },
        [](std::string_view category, std::string_view format, const hx::ArgListC& args) {
          hx::TraceArgs(category, format, args);
        }};
    hx::InstallTraceHook(&s_hook);
    return made;
  }();
  return version == TracerC::kVersion ? tracer : nullptr;
}

namespace hx {
namespace {
TracerC& Process() { return *getTracer(TracerC::kVersion); }
}  // namespace

bool TraceEnabled(std::string_view category) { return Process().enabled(category, nullptr); }
bool TraceEnabled(TraceSiteC& site) { return Process().enabled(site.category(), site.cache()); }

void TraceArgs(std::string_view category, std::string_view format, const ArgListC& args) {
  Process().traceArgs(category, nullptr, format, args);
}
void TraceArgs(TraceSiteC& site, std::string_view format, const ArgListC& args) {
  Process().traceArgs(site.category(), site.cache(), format, args);
}

void TraceEnable(std::string_view category) {
  int detail = 0;
  Process().controller().enable(Process().getDefaultConsumer(), SplitDetail(category, detail));
}
void TraceInherit(std::string_view category) {
  int detail = 0;
  Process().controller().inherit(Process().getDefaultConsumer(), SplitDetail(category, detail));
}

void TraceSetOutput(std::FILE* out) { Process().getDefaultConsumer()->setOutput(out); }

}  // namespace hx
