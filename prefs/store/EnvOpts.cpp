#include "prefs/store/EnvOpts.h"

void env_EnvOptsC::Set(uint32_t bits, unsigned char on) {
  if (on != 0) {
    options_ |= bits;
  } else {
    options_ &= ~bits;
  }
}
