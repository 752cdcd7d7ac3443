#pragma once
// The updater's own version (the project's), as the history records it.

namespace r27 {

const char* Version_programa();

}  // namespace r27
