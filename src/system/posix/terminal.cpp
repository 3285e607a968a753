// The POSIX side of terminal.h.
#include <unistd.h>

#include "system/terminal.h"

namespace gstboot {

bool redrawable(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

}  // namespace gstboot
