// The version comes from the build.
#include "app/nucleo/version_programa.h"

namespace r27 {

const char* Version_programa() { return R27_VERSION_PROGRAMA; }

}  // namespace r27
