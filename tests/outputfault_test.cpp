// Output that cannot be written: every failure is a message on standard
// error and status 1, and a previous report is left exactly as it was.
#include <gtest/gtest.h>
#if defined(__linux__)
#include <sys/mount.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>

#include "common/error.h"
#include "gendata.h"
#include "system/outfile.h"
#include "testutil.h"

using namespace testutil;

namespace {

const std::string CASE = "worked-example";
const std::string PREVIOUS = "a previous report\n";

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// A folder with the inputs of CASE and a previous output.txt.
struct Folder {
    TempDir dir;
    Folder() {
        copyinputs(CASE, dir.path());
        writefile(dir.file("output.txt"), PREVIOUS);
    }
    RunResult run(std::vector<std::string> extra = {}, const RunSetup& how = {}) {
        std::vector<std::string> args = {"--seed", goldenseed(CASE)};
        args.insert(args.end(), extra.begin(), extra.end());
        return rungstboot(dir.path(), args, how);
    }
    // Nothing but what the test put there: no temporary file left behind.
    void expectuntouched() {
        EXPECT_EQ(readfile(dir.file("output.txt")), PREVIOUS);
        EXPECT_EQ(sorted(listdir(dir.path())),
                  (std::vector<std::string>{"MHCdata.txt", "MICdata.txt", "output.txt"}));
    }
};

bool ischardevice(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

TEST(OutputFaults, DevFullIsWrittenDirectlyAndTheFailureReported) {
    if (!hasdevfull()) GTEST_SKIP() << "no /dev/full on this system";
    Folder f;
    RunResult r = f.run({"--output", "/dev/full"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("gstboot: cannot write /dev/full: No space left on device\n"), std::string::npos)
        << r.err;
    EXPECT_TRUE(ischardevice("/dev/full")) << "/dev/full was replaced";
    f.expectuntouched();
}

TEST(OutputFaults, DirectoryOfThatNameIsReportedBeforeTheReplicates) {
    Folder f;
    ::unlink(f.dir.file("output.txt").c_str());
    ASSERT_EQ(::mkdir(f.dir.file("output.txt").c_str(), 0755), 0);
    writefile(f.dir.file("output.txt/kept"), "kept");
    RunResult r = f.run();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("gstboot: cannot create output.txt: Is a directory\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << "the replicates ran although the output could not be created";
    EXPECT_EQ(readfile(f.dir.file("output.txt/kept")), "kept");
    EXPECT_EQ(sorted(listdir(f.dir.path())),
              (std::vector<std::string>{"MHCdata.txt", "MICdata.txt", "output.txt"}));
}

TEST(OutputFaults, FolderWithoutWritePermission) {
    if (!canswitchuser()) GTEST_SKIP() << "needs root to run the program as an unprivileged user";
    Folder f;
    ASSERT_EQ(::chmod(f.dir.path().c_str(), 0555), 0);
    RunResult r = f.run({}, RunSetup{"", false, true});
    ::chmod(f.dir.path().c_str(), 0700);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("gstboot: cannot create output.txt: Permission denied\n"), std::string::npos) << r.err;
    f.expectuntouched();
}

TEST(OutputFaults, ReadOnlyPreviousReportIsNotReplaced) {
    // Replacing by rename needs only the folder's permission; the report must
    // still not be replaced when the user could not have overwritten it.
    if (!canswitchuser()) GTEST_SKIP() << "needs root to run the program as an unprivileged user";
    Folder f;
    ASSERT_EQ(::chmod(f.dir.path().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(f.dir.file("output.txt").c_str(), 0444), 0);
    RunResult r = f.run({}, RunSetup{"", false, true});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("gstboot: cannot create output.txt: Permission denied\n"), std::string::npos) << r.err;
    f.expectuntouched();
}

#if defined(__linux__)
// A tmpfs of a few pages mounted for one test and filled to the last byte.
class FullDisk {
public:
    explicit FullDisk(const std::string& where) : where_(where) {
        ::mkdir(where_.c_str(), 0755);
        if (::mount("tmpfs", where_.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0) {
            reason_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
            return;
        }
        mounted_ = true;
    }
    ~FullDisk() {
        if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    const std::string& reason() const { return reason_; }
    // Writes `name` until the file system refuses another byte.
    void fill(const std::string& name) {
        std::FILE* f = std::fopen((where_ + "/" + name).c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::setvbuf(f, nullptr, _IONBF, 0);
        std::string block(512, 'x');
        while (std::fwrite(block.data(), 1, block.size(), f) == block.size()) {}
        while (std::fputc('x', f) != EOF) {}
        std::fclose(f);
    }

private:
    std::string where_;
    std::string reason_;
    bool mounted_ = false;
};

TEST(OutputFaults, FullDiskKeepsThePreviousReport) {
    if (!canswitchuser()) GTEST_SKIP() << "needs root to mount a small file system";
    Folder f;
    const std::string disk = f.dir.file("disk");
    FullDisk full(disk);
    if (!full.mounted()) GTEST_SKIP() << full.reason();
    writefile(disk + "/output.txt", PREVIOUS);
    full.fill("filler");
    RunResult r = f.run({"--output", "disk/output.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("gstboot: cannot write disk/output.txt: No space left on device\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(readfile(disk + "/output.txt"), PREVIOUS);
    EXPECT_EQ(sorted(listdir(disk)), (std::vector<std::string>{"filler", "output.txt"}));
}
#endif

// Short, and long enough (20 populations, 190 pairs) that the print itself
// overflows the C library's buffer and fails before the final flush: the
// reason must survive both.
TEST(OutputFaults, StandardOutputFailureFailsTheRun) {
    if (!hasdevfull()) GTEST_SKIP() << "no /dev/full on this system";
    for (const int npop : {0, 20}) {
        Folder f;
        if (npop > 0) {
            gen::Genotypes mhc(npop), mic(npop);
            for (int p = 0; p < npop; ++p) {
                for (int i = 0; i < 3; ++i) {
                    mhc[p].push_back({1 + (p + i) % 5, 2 + (p * i) % 7});
                    mic[p].push_back({1 + (p + i) % 3, 1 + i % 2});
                }
            }
            writefile(f.dir.file("MHCdata.txt"), gen::mhcfile(2, 0, 1, mhc));
            writefile(f.dir.file("MICdata.txt"), gen::micfile(1, 1, 0, mic));
        }
        RunResult r = f.run({}, RunSetup{"/dev/full", false, false});
        EXPECT_EQ(r.status, 1) << npop;
        EXPECT_NE(r.err.find("gstboot: cannot write standard output: No space left on device\n"), std::string::npos)
            << r.err;
        f.expectuntouched();
    }
}

TEST(OutputFaults, ClosedStandardOutputNeitherSucceedsNorLeaksIntoTheReport) {
    // With descriptor 1 closed the temporary report would get descriptor 1
    // and the console text would be written into it.
    Folder f;
    RunResult r = f.run({}, RunSetup{"", true, false});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("gstboot: cannot write standard output: Bad file descriptor\n"), std::string::npos)
        << r.err;
    f.expectuntouched();
}

TEST(OutputFaults, HelpAndVersionReportAFailedStandardOutput) {
    if (!hasdevfull()) GTEST_SKIP() << "no /dev/full on this system";
    TempDir dir;
    for (const char* opt : {"--help", "--version"}) {
        RunResult r = rungstboot(dir.path(), {opt}, RunSetup{"/dev/full", false, false});
        EXPECT_EQ(r.status, 1) << opt;
        EXPECT_NE(r.err.find("cannot write standard output"), std::string::npos) << opt << ": " << r.err;
    }
}

TEST(OutputReplacement, SymbolicLinkAndFileModeAreKept) {
    Folder f;
    const std::string golden = readfile(testdata("golden/" + CASE + "/output.txt"));
    ASSERT_EQ(::mkdir(f.dir.file("reports").c_str(), 0755), 0);
    writefile(f.dir.file("reports/real.txt"), PREVIOUS);
    ASSERT_EQ(::chmod(f.dir.file("reports/real.txt").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("reports/real.txt", f.dir.file("linked.txt").c_str()), 0);
    RunResult r = f.run({"--output", "linked.txt"});
    ASSERT_EQ(r.status, 0) << r.err;
    struct stat st;
    ASSERT_EQ(::lstat(f.dir.file("linked.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
    EXPECT_EQ(readfile(f.dir.file("reports/real.txt")), golden);
    ASSERT_EQ(::stat(f.dir.file("reports/real.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(listdir(f.dir.file("reports")), std::vector<std::string>{"real.txt"});
}

// What replacing a file keeps, and what is refused at opening because the
// rename could not do it: refused before the replicates (nothing on
// standard output), with the previous file kept and nothing left beside it.
TEST(OutputReplacement, KeptOrRefusedAtOpening) {
    const std::string golden = readfile(testdata("golden/" + CASE + "/output.txt"));
    const bool root = canswitchuser();
    const auto pin = [](const std::string& path, const char* flag) {
        return std::system(("chattr " + std::string(flag) + " '" + path + "' 2>/dev/null").c_str()) == 0;
    };
    struct Row {
        std::string what;
        bool needsroot;
        bool asnobody;
        std::function<bool(Folder&)> setup;  // false: not possible here, skipped
        std::string refusal;                 // "": the run succeeds
        std::function<void(Folder&)> check;
    };
    const Row rows[] = {
        {"dangling link", false, false,
         [](Folder& f) {
             ::unlink(f.dir.file("output.txt").c_str());
             return ::mkdir(f.dir.file("reports").c_str(), 0755) == 0 &&
                    ::symlink("reports/new.txt", f.dir.file("output.txt").c_str()) == 0;
         },
         "",
         [&](Folder& f) {
             struct stat st;
             ASSERT_EQ(::lstat(f.dir.file("output.txt").c_str(), &st), 0);
             EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
             EXPECT_EQ(readfile(f.dir.file("reports/new.txt")), golden);
         }},
        {"owner, group and mode", true, false,
         [](Folder& f) {
             return ::chown(f.dir.file("output.txt").c_str(), 65534, 65534) == 0 &&
                    ::chmod(f.dir.file("output.txt").c_str(), 0640) == 0;
         },
         "",
         [&](Folder& f) {
             struct stat st;
             ASSERT_EQ(::stat(f.dir.file("output.txt").c_str(), &st), 0);
             EXPECT_EQ(st.st_uid, 65534u);
             EXPECT_EQ(st.st_gid, 65534u);
             EXPECT_EQ(st.st_mode & 07777, 0640u);
             EXPECT_EQ(readfile(f.dir.file("output.txt")), golden);
         }},
        {"another user's file in a sticky folder", true, true,
         [](Folder& f) {
             return ::chmod(f.dir.path().c_str(), 01777) == 0 && ::chmod(f.dir.file("output.txt").c_str(), 0666) == 0;
         },
         "gstboot: cannot replace output.txt: Operation not permitted\n", nullptr},
        {"immutable file", true, false, [&](Folder& f) { return pin(f.dir.file("output.txt"), "+i"); },
         "gstboot: cannot replace output.txt: Operation not permitted\n", nullptr},
        {"append-only file", true, false, [&](Folder& f) { return pin(f.dir.file("output.txt"), "+a"); },
         "gstboot: cannot replace output.txt: Operation not permitted\n", nullptr},
    };
    for (const Row& row : rows) {
        if (row.needsroot && !root) continue;
        Folder f;
        if (!row.setup(f)) continue;  // no chattr, or a file system without the flag
        const RunResult r = f.run({}, RunSetup{"", false, row.asnobody});
        pin(f.dir.file("output.txt"), "-ia");
        if (row.refusal.empty()) {
            EXPECT_EQ(r.status, 0) << row.what << ": " << r.err;
            row.check(f);
        } else {
            EXPECT_EQ(r.status, 1) << row.what;
            EXPECT_NE(r.err.find(row.refusal), std::string::npos) << row.what << ": " << r.err;
            EXPECT_EQ(r.out, "") << row.what << ": the replicates ran";
            f.expectuntouched();
        }
    }
}

// The class itself, as every output of the program uses it.
TEST(OutputFileContract, UncommittedFileLeavesNothingAndKeepsThePrevious) {
    TempDir dir;
    writefile(dir.file("r.txt"), PREVIOUS);
    {
        gstboot::OutputFile out(dir.file("r.txt"));
        out.write("half a report");
        EXPECT_FALSE(out.temppath().empty());
        EXPECT_TRUE(exists(out.temppath()));
    }
    EXPECT_EQ(readfile(dir.file("r.txt")), PREVIOUS);
    EXPECT_EQ(listdir(dir.path()), std::vector<std::string>{"r.txt"});
}

TEST(OutputFileContract, CommitIsOnceAndLaterWritesAreIgnored) {
    TempDir dir;
    gstboot::OutputFile out(dir.file("r.txt"));
    out.write("one\n");
    out.commit();
    out.write("two\n");
    out.commit();
    EXPECT_EQ(readfile(dir.file("r.txt")), "one\n");
    EXPECT_EQ(listdir(dir.path()), std::vector<std::string>{"r.txt"});
}

TEST(OutputFileContract, NameAtTheFileSystemLimitGetsATemporaryBesideIt) {
    TempDir dir;
    const std::string name(255, 'r');  // NAME_MAX: a ".tmp-XXXXXX" suffix would not fit
    gstboot::OutputFile out(dir.file(name));
    out.write("x\n");
    out.commit();
    EXPECT_EQ(readfile(dir.file(name)), "x\n");
    EXPECT_EQ(listdir(dir.path()), std::vector<std::string>{name});
}

TEST(OutputFileContract, DeviceIsWrittenDirectly) {
    gstboot::OutputFile out("/dev/null");
    EXPECT_TRUE(out.temppath().empty());
    out.write("discarded\n");
    EXPECT_NO_THROW(out.commit());
    EXPECT_TRUE(ischardevice("/dev/null"));
}

TEST(OutputFileContract, MissingFolderIsAnErrorNamingThePath) {
    TempDir dir;
    try {
        gstboot::OutputFile out(dir.file("no/such/r.txt"));
        FAIL() << "no error";
    } catch (const gstboot::Error& e) {
        EXPECT_EQ(e.status(), 1);
        EXPECT_EQ(std::string(e.what()), "gstboot: cannot create " + dir.file("no/such/r.txt") +
                                             ": No such file or directory");
    }
}

}  // namespace
