// The three standard descriptors, made safe to rely on.
#pragma once

namespace gstboot {

// Opens /dev/null, read-only, on each of descriptors 0, 1 and 2 that is
// closed. Without this a program started with standard output closed would
// get descriptor 1 for the first file it opens, and its console text would
// land in its report. Read-only, so that writes to a closed standard output
// still fail and are reported, as they would have without it.
//
// Windows: does nothing. Its C library gives descriptors 0 to 2 to the
// standard streams as it starts, a handle behind them or not, so a file
// opened later never takes their number, and writing to a stream without a
// handle fails and is reported as on Linux.
void reservestdfds();

}  // namespace gstboot
