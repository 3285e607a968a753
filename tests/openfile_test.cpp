// Opening a file by name (system/files.h): every byte read as written, in
// binary on every system, and a folder or a missing file refused with the
// errno code that the message will show.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "input/textfile.h"
#include "system/files.h"
#include "testutil.h"

using namespace testutil;

namespace {

struct Opened {
    const char* name;
    const char* bytes;  // null: make a folder of that name
    int error;          // 0: opens and reads back `bytes`
};

TEST(OpenFile, ReadsEveryByteAndRefusesWhatIsNotAFile) {
    const Opened cases[] = {
        {"crlf.txt", "2 1\r\n101 102\r\n", 0},
        {"ctrlz.txt", "101 1\x1a" "02\n", 0},  // where a text mode would stop
        {"donn\xc3\xa9" "es_\xc3\xa9.txt", "101\n", 0},
        {"folder", nullptr, EISDIR},
        {"absent.txt", "", ENOENT},
    };
    TempDir dir;
    for (const Opened& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        if (!c.bytes) {
            ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
        } else if (c.error == 0) {
            writefile(path, c.bytes);
        }
        errno = 0;
        gstboot::FilePtr file(gstboot::openfile(path, "rb"));
        if (c.error != 0) {
            EXPECT_EQ(file, nullptr);
            EXPECT_EQ(errno, c.error);
            continue;
        }
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(gstboot::readall(file.get(), c.name), c.bytes);
    }
}

}  // namespace
