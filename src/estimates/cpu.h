// What the processor can run, asked of the processor itself.
#pragma once

#include "estimates/isa.h"

namespace gstboot {

// The widest kernel set this build holds that the processor and the
// operating system (which must save the wider registers) support.
Isa widestisa();

}  // namespace gstboot
