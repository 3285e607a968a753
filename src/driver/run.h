// A whole run.
#pragma once

namespace gstboot {

struct Options;

// A whole run with the given options: check the files, read, seed,
// replicates, summary, outputs. Returns the exit status; throws Error on a
// failure, after removing every temporary file it made.
int run(const Options& options);

}  // namespace gstboot
