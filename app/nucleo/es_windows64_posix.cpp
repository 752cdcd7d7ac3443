// No WOW64 outside Windows.
#include "app/nucleo/es_windows64.h"

namespace r27 {

bool Es_windows64() { return false; }

}  // namespace r27
