// The outputs of a run as one transaction: every file is written beside its
// target first, and none is put in place before all of them, and standard
// output, are complete. A failure before that point leaves every previous
// file as it was.
#pragma once

#include <cstdio>
#include <functional>
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

    // Writes `text` to standard output `console`, remembering why the first
    // write that failed did: the C library may drop its buffer then, and the
    // flush at the commit would fail without a reason.
    void console(std::FILE* console, const std::string& text);

    // Finishes standard output `console`, then every output (flush, sync,
    // close), then renames them into place in the order they were added.
    // Throws Error (kind output) on the first failure. Until the first
    // rename nothing has changed; a rename that fails after others succeeded
    // is reported with what was and was not replaced. The renames are one
    // step for the signals handled (signals.h): one that arrives during them
    // takes effect after the last, so the set is all old or all new.
    // `betweenrenames`, for tests, is called after each rename but the last.
    void commit(std::FILE* console, const std::function<void()>& betweenrenames = {});

private:
    std::vector<std::unique_ptr<OutputFile>> files_;
    int consoleerror_ = 0;  // errno of the first failed console write
};

// Flushes standard output and throws Error (kind output) when anything
// written to it was lost: the console text is part of a run's result. The
// message gives the reason of the failed flush, or else `earlier`, the errno
// of a write that failed before it (0: none known).
void flushconsole(std::FILE* console, int earlier = 0);

}  // namespace gstboot
