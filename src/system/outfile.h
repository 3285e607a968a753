// A report file that appears complete or not at all.
//
// A regular file (or a path that does not exist yet) is written to a
// temporary file beside it and renamed into place by commit(), so a failed or
// interrupted run leaves a previous file as it was; what the file is decides,
// not where its name lies, so /dev/shm/x and /proc/self/cwd/x are such files.
// A symbolic link to a regular file keeps the link: its target is the file
// replaced; a dangling link keeps it too, its target being created as the
// shell's `>` would. A replaced file keeps its mode, and its owner and group
// where the process may give them. An existing file that the rename could
// not replace is refused when it is opened. A device, pipe or terminal is written directly and nothing is
// created beside it; /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N
// share that descriptor, whatever it leads to, so that their text follows
// what was written there.
//
// Every output of a run goes through this class, so each inherits the same
// behaviour: a message naming the path on any failure, and no temporary file
// left behind by a failure, by the destructor, or by a fatal signal (the
// temporary path is registered with system/signals.h while it exists).
//
// A file to replace or create is locked from its opening until it is in
// place (lockpath(), an advisory lock that other runs of this program honour): a
// second run that would write the same file is refused at once, before any
// work, rather than made to wait, and neither run's files are mixed with the
// other's. The lock file is removed with the lock.
//
// Windows: the file is put in place by MoveFileExW, which replaces an
// existing one (a rename there refuses to). A device (NUL, CON) is written
// directly. A read-only file is refused as one without write permission is.
// No mode is copied: the new file gets the permissions its folder gives,
// Windows having no mode bits to carry over. Files are always written in
// binary, so a line ends with LF alone there too.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace gstboot {

namespace platform {
struct OutputTarget;
}

// The lock file of an output whose file (a link's target) is `target`:
// hidden beside it, ".<name>.gstboot-lock".
std::string lockpath(const std::string& target);

class OutputFile {
public:
    // Opens for writing; throws Error (status 1) naming the path as given when
    // the file cannot be created: a directory of that name, a folder without
    // write permission, an existing file the user may not write or the
    // rename could not replace (sticky folder, immutable file), ... or when
    // another run holds its lock.
    explicit OutputFile(std::string path);
    ~OutputFile();  // removes the temporary file unless committed, then drops the lock
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Appends text; a failure is remembered and reported by finish(). Does
    // nothing after finish().
    void write(const std::string& text);

    // Flushes, syncs and closes. Throws Error (kind output) on any failure of
    // these (a full disk, /dev/full, an I/O error), leaving a previous file
    // unchanged. A second call does nothing.
    void finish();

    // Puts the finished file in place (a rename: nothing is left to fail
    // but the rename itself). Throws Error (kind output) when the rename
    // fails. A second call does nothing.
    void install();

    // finish(), install(), then release().
    void commit();

    // Drops the lock (and removes the lock file); the destructor does too.
    // A second call does nothing.
    void release();

    const std::string& path() const { return path_; }
    bool direct() const { return direct_; }  // a device or pipe, written directly

    // Path of the temporary file, empty when writing directly.
    const std::string& temppath() const { return temp_; }

private:
    [[noreturn]] void fail(const std::string& what, int err);
    void opendirect();
    void lock();
    void opentemp(const std::string& target, const platform::OutputTarget& like);
    void discard();

    std::string path_;    // as given, for messages
    std::string target_;  // the file that commit() replaces
    std::string temp_;
    int slot_ = -1;       // signal-cleanup registration of temp_
    std::string lock_;    // the lock file held; empty: none
    std::intptr_t lockhandle_ = 0;
    int lockslot_ = -1;   // signal-cleanup registration of lock_
    std::FILE* file_ = nullptr;
    int error_ = 0;
    bool finished_ = false;
    bool committed_ = false;
    bool direct_ = false;
};

}  // namespace gstboot
