// The outputs of a run as one transaction: every file is written beside its
// target first, and none is put in place before all of them, and standard
// output, are complete. A failure before that point leaves every previous
// file as it was.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "system/outfile.h"

namespace gstboot {

class OutputSet {
public:
    // Opens one more output (see OutputFile: throws when it cannot be
    // created). The reference stays valid for the set's lifetime.
    OutputFile& add(const std::string& path);

    // Finishes standard output `console`, then every output (flush, sync,
    // close), then renames them into place in the order they were added.
    // Throws Error (kind output) on the first failure. Until the first
    // rename nothing has changed; a rename that fails after others succeeded
    // is reported with what was and was not replaced.
    void commit(std::FILE* console);

private:
    std::vector<std::unique_ptr<OutputFile>> files_;
};

// Flushes standard output and throws Error (kind output) when anything
// written to it was lost: the console text is part of a run's result.
void flushconsole(std::FILE* console);

}  // namespace gstboot
