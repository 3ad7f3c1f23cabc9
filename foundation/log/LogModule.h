/* The interface of a loadable logger module: a shared library that receives every log entry
 * its filter accepts, next to (or instead of) the log file. Written in C so that a module can
 * be built with any compiler; a module includes this header and exports the functions below
 * with C linkage. Every function is optional: a missing one is skipped.
 *
 *   void        HxlLogInitialize(void);                 once, after the module is loaded
 *   void        HxlLogFinalize(void);                   once, before it is unloaded
 *   void        HxlLog(unsigned long set, unsigned long number, int severity, const char* text,
 *                      const HxlLogHeaderT* header, const HxlLogRawDataT* raw);
 *                                                       for each accepted entry
 *   const char* HxlLogPreferedLogLevel(const char* level);
 *                                                       the filter the module wants instead of
 *                                                       the LogLevel setting (null: keep it);
 *                                                       the text must stay valid until the
 *                                                       module is finalised
 *
 * `text` is the finished message, with passwords removed from URLs; the raw record holds what
 * the caller gave, unchanged (not scrubbed). The records are only valid during the call.
 *
 * Finding a module. LogModules names modules separated by ";". A name containing "/" is the
 * path of the library. Any other name N is looked for as "libhxlN.so" in, in this order:
 *   1. "$TARVOSKINSTALLDIR/lib" when TARVOSKINSTALLDIR is set and not empty,
 *   2. the "lib" directory beside the running program's directory (<dir of program>/../lib,
 *      which is where a build puts its modules),
 *   3. the dynamic linker's own search path.
 * The first library that loads is used. A module that cannot be loaded is skipped.
 */
#ifndef HX_FOUNDATION_LOG_LOGMODULE_H
#define HX_FOUNDATION_LOG_LOGMODULE_H

#include <stdint.h>
#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The severity of an entry, from its message markup. */
enum HxlLogSeverityE {
  HXL_SEV_NONE = 0,
  HXL_SEV_MONITOR = 1,
  HXL_SEV_INFORMATION = 2,
  HXL_SEV_WARNING = 3,
  HXL_SEV_ERROR = 4,
  HXL_SEV_FATAL = 5
};

/* LogFlags bits: which process data an entry carries. */
#define HXL_FLAG_PROCESS_ID 0x1u
#define HXL_FLAG_CPU_TIMES 0x2u

typedef struct HxlLogHeaderT {
  uint32_t size;         /* sizeof(HxlLogHeaderT) of the sender; fields may be added at the end */
  int64_t time;          /* seconds since the epoch */
  struct tm localTime;   /* the same time, local */
  int32_t letter;        /* category letter, 'A' to 'z' */
  int32_t number;        /* sub-level 0 to 31 */
  uint32_t flags;        /* HXL_FLAG_* */
  uint64_t processId;    /* when HXL_FLAG_PROCESS_ID, else 0 */
  uint64_t userMillis;   /* user CPU time of the process when HXL_FLAG_CPU_TIMES, else 0 */
  uint64_t systemMillis; /* system CPU time of the process when HXL_FLAG_CPU_TIMES, else 0 */
} HxlLogHeaderT;

typedef struct HxlLogRawDataT {
  uint32_t size;            /* sizeof(HxlLogRawDataT) of the sender */
  const char* text;         /* the text the caller gave, before lookup and formatting */
  uint32_t argCount;        /* number of arguments */
  const char* const* args;  /* each argument as text */
} HxlLogRawDataT;

typedef void (*HxlLogInitializeF)(void);
typedef void (*HxlLogFinalizeF)(void);
typedef void (*HxlLogF)(unsigned long set, unsigned long number, int severity, const char* text,
                        const HxlLogHeaderT* header, const HxlLogRawDataT* raw);
typedef const char* (*HxlLogPreferedLogLevelF)(const char* level);

#ifdef __cplusplus
}
#endif

#endif
