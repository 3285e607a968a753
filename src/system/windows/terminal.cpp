// The Windows side of terminal.h.
#include "system/windows/api.h"

#include <io.h>

#include "system/terminal.h"

// Older headers lack it; the value is the console's.
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace gstboot {

bool redrawable(std::FILE* stream) {
    const int fd = _fileno(stream);
    if (fd < 0 || !_isatty(fd)) return false;
    const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) return false;
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
    return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace gstboot
