// Whether a stream is a terminal that a line can be redrawn on.
#pragma once

#include <cstdio>

namespace gstboot {

// True when `stream` is an interactive terminal that takes the VT control
// sequences for saving and restoring the cursor and erasing to the end of
// the line. Windows: a console, whose VT processing this turns on; false
// where it cannot be.
bool redrawable(std::FILE* stream);

}  // namespace gstboot
