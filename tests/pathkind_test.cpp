// An output path is classified by what it names, not by how it is spelled:
// a regular file is replaced (and clashes by identity) wherever its name
// lies, and only the descriptor aliases are written where they lead.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "system/platform.h"
#include "system/samefile.h"
#include "testutil.h"

using namespace testutil;
using gstboot::FileIdentity;
using gstboot::platform::OutputTarget;

namespace {

// A scratch folder in shared memory where the system has one, so that a file
// under /dev/ is among the rows.
std::string shmfolder() {
    struct stat st;
    if (::stat("/dev/shm", &st) != 0 || !S_ISDIR(st.st_mode)) return "";
    char pattern[] = "/dev/shm/gstboot-test-XXXXXX";
    return ::mkdtemp(pattern) ? pattern : "";
}

// Restores the working folder at the end of the test.
struct CwdGuard {
    std::string saved;
    CwdGuard() {
        char buf[4096];
        saved = ::getcwd(buf, sizeof buf) ? buf : "/";
    }
    ~CwdGuard() { (void)!::chdir(saved.c_str()); }
};

}  // namespace

TEST(PathKind, WhatTheFileIsDecidesNotWhereItsNameLies) {
    TempDir dir;
    CwdGuard guard;
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    writefile(dir.file("x"), "input\n");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const int fd = ::open(dir.file("x").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const std::string fdnum = std::to_string(fd);
    const std::string shm = shmfolder();
    if (!shm.empty()) writefile(shm + "/x", "input\n");

    using Kind = OutputTarget::Kind;
    struct Row {
        std::string path;
        Kind kind;
        std::string clashes;  // another spelling of the same file; "" : clashes with nothing tried
    };
    std::vector<Row> rows = {
        {dir.file("x"), Kind::regular, "x"},
        {"/proc/self/cwd/x", Kind::regular, dir.file("x")},
        {"/proc/self/root" + dir.file("x"), Kind::regular, "./x"},
        {"/proc/self/cwd/new", Kind::absent, dir.file("new")},
        {"/proc/self/cwd", Kind::folder, ""},
        {"/dev/null", Kind::direct, ""},
        {dir.file("fifo"), Kind::direct, ""},
        // The aliases lead to x, yet they are the descriptor, never x.
        {"/dev/fd/" + fdnum, Kind::direct, ""},
        {"/proc/self/fd/" + fdnum, Kind::direct, ""},
        {"/dev/stdout", Kind::direct, ""},
        {"/dev/stderr", Kind::direct, ""},
    };
    if (!shm.empty()) {
        rows.push_back({shm + "/x", Kind::regular, "/dev/shm/../shm/" + shm.substr(9) + "/x"});
        rows.push_back({shm + "/new", Kind::absent, shm + "/./new"});
    }
    for (const Row& row : rows) {
        struct stat st;
        if (::stat(row.path.c_str(), &st) != 0 && row.kind != Kind::absent) continue;  // not on this system
        OutputTarget what;
        EXPECT_EQ(gstboot::platform::examine(row.path, what), 0) << row.path;
        EXPECT_EQ(static_cast<int>(what.kind), static_cast<int>(row.kind)) << row.path;
        const FileIdentity id = gstboot::identify(row.path);
        if (!row.clashes.empty()) {
            EXPECT_TRUE(gstboot::samefile(id, gstboot::identify(row.clashes))) << row.path << " / " << row.clashes;
        }
        // A file never clashes with a device or an alias that leads to it.
        const bool file = row.kind == Kind::regular || row.kind == Kind::absent;
        EXPECT_EQ(gstboot::samefile(id, id), file) << row.path;
        if (row.kind == Kind::direct) {
            EXPECT_FALSE(gstboot::samefile(id, gstboot::identify(dir.file("x")))) << row.path;
        }
    }
    ::close(fd);
    if (!shm.empty()) {
        std::string cmd = "rm -rf '" + shm + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
}
