// The memory a run needs, checked against what the machine allows before
// the scorer and the tables are made: a study that cannot fit is refused
// with its size and the memory it needs, not by running out halfway.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/dataset.h"
#include "system/memory.h"

namespace gstboot {

// Bytes a run of `ds` with `threads` worker threads (1: the calling thread
// alone) needs, the data set included.
std::uint64_t runbytes(const DataSet& ds, bool reference, int threads);

// The threads the run can have within `limit`: `threads` when they fit;
// fewer, with a warning, when only fewer do. Throws Error (a system fault)
// when not even one fits, naming the study's size, the memory it needs and
// the limit. A limit of 0 bytes (unknown) allows anything.
int fitthreads(const DataSet& ds, bool reference, int threads, const MemoryLimit& limit,
               std::vector<std::string>& warnings);

}  // namespace gstboot
