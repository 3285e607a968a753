// Helpers shared by the tests: scratch folders, files, and runs of the real
// executable with their standard output, standard error and exit status.
#pragma once

#include <string>
#include <vector>

// Defined in a build under AddressSanitizer, whose shadow memory does not fit
// a small address-space limit and whose allocator the C library's heap
// statistics do not see.
#if defined(__SANITIZE_ADDRESS__)
#define GSTBOOT_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GSTBOOT_UNDER_ASAN 1
#endif
#endif

namespace testutil {

// How many ninths of its studies a random oracle sweep takes: all (9) in
// CI's long run, one by default (see tests/CMakeLists.txt).
constexpr int SWEEP = GSTBOOT_SWEEP;

// A fresh empty folder, removed with its contents at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct RunResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs the gstboot executable in `dir` with `args`.
RunResult rungstboot(const std::string& dir, const std::vector<std::string>& args);

// How a run is started, beyond its folder and arguments.
struct RunSetup {
    std::string stdoutpath;    // standard output goes here; empty: captured
    bool closestdout = false;  // start with descriptor 1 closed
    bool asnobody = false;     // drop to uid/gid 65534 first (needs root)
};

// A run of the executable started but not yet waited for, so that a test can
// watch its output or signal it. The destructor kills and reaps a run that
// was never waited for.
class Child {
public:
    // `program`, found on the PATH, runs instead of gstboot when given.
    Child(const std::string& dir, const std::vector<std::string>& args, const RunSetup& how = {},
          const std::string& program = "");
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    int pid() const { return pid_; }
    // Standard output so far (empty when it is not captured).
    std::string outsofar() const;
    // Waits up to `seconds` for `text` on standard output; false when the
    // run ended or the time passed first. A bound against a hang, not a
    // measurement.
    bool waitfor(const std::string& text, double seconds);
    RunResult wait();

private:
    TempDir capture_;
    std::string outpath_, errpath_;
    int pid_ = -1;
    bool captured_;
    int status_ = 0;
    bool reaped_ = false;
};

RunResult rungstboot(const std::string& dir, const std::vector<std::string>& args, const RunSetup& how);

// Runs `command` with sh -c in `dir` (GSTBOOT_EXE names the program there).
RunResult runshell(const std::string& dir, const std::string& command);

// Whether a command is on the PATH. A test that needs a missing tool is
// skipped with its reason; CI installs every tool and fails on a skip.
bool havetool(const std::string& name);

// Whether /dev/full, the device every write to fails as a full disk would,
// exists: Linux has it, macOS does not, and a test of it skips there.
bool hasdevfull();

// Whether this process may switch to another user (it runs as root).
bool canswitchuser();

std::string readfile(const std::string& path);
void writefile(const std::string& path, const std::string& text);
bool exists(const std::string& path);
std::vector<std::string> listdir(const std::string& path);

// Whether two estimates are the same result: the same bits, or both not a
// number. A NaN's sign and payload are not kept from one compiler or
// processor to the next (aarch64's default NaN is positive, x86's negative,
// and clang folds a 0.0 / 0.0 on a path with no loci to a positive one), and
// the outputs print every NaN alike (see output/format.h).
bool sameresult(double a, double b);

// Folder of the bundled test data.
std::string testdata(const std::string& sub);

// Copies a golden case's MHCdata.txt and MICdata.txt into `dir`.
void copyinputs(const std::string& goldencase, const std::string& dir);

// The golden case's seed, without its line end.
std::string goldenseed(const std::string& goldencase);

}  // namespace testutil

#include <memory>

#include "model/dataset.h"

namespace testutil {

// A data set read in-process from the texts of the two files; warnings of
// the reader go to `warnings` when given.
std::unique_ptr<gstboot::DataSet> parsedata(const std::string& mhctext, const std::string& mictext,
                                            std::vector<std::string>* warnings = nullptr);

// Reads one file's text with readmhc (mhc = true) or readmic into ds.
void parseinto(gstboot::DataSet& ds, bool mhc, const std::string& text, const std::string& name,
               std::vector<std::string>* warnings = nullptr);

}  // namespace testutil

#include "estimates/isa.h"

namespace testutil {

// Sets an environment variable (nullptr: unsets it) for the life of the
// object, then puts back what was there. Children started meanwhile see it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_, old_;
    bool had_;
};

// The kernel sets this machine runs, narrowest first: the caps a test can
// set GSTBOOT_ISA to and see honoured.
std::vector<gstboot::Isa> runnableisas();

}  // namespace testutil
