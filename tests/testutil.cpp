#include "testutil.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testutil {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/gstboot-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::string cmd = "chmod -R u+w '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", path_.c_str());
}

std::string readfile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writefile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path);
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> listdir(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        closedir(d);
    }
    return names;
}

std::string testdata(const std::string& sub) { return std::string(GSTBOOT_TESTDATA) + "/" + sub; }

RunResult rungstboot(const std::string& dir, const std::vector<std::string>& args) {
    TempDir capture;
    std::string outpath = capture.file("stdout");
    std::string errpath = capture.file("stderr");
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(120);
        if (!freopen(outpath.c_str(), "w", stdout)) _exit(121);
        if (!freopen(errpath.c_str(), "w", stderr)) _exit(122);
        std::vector<char*> argv;
        std::string exe = GSTBOOT_EXE;
        argv.push_back(&exe[0]);
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(123);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    RunResult r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    r.out = readfile(outpath);
    r.err = readfile(errpath);
    return r;
}

}  // namespace testutil

#include "data/reader.h"

namespace testutil {

void parseinto(gstboot::DataSet& ds, bool mhc, const std::string& text, const std::string& name,
               std::vector<std::string>* warnings) {
    std::vector<std::string> sink;
    std::string copy = text;
    // fmemopen of a zero-length buffer is refused; an empty file reads the same
    // from a one-byte blank.
    if (copy.empty()) copy = " ";
    std::FILE* f = fmemopen(&copy[0], copy.size(), "r");
    if (!f) throw std::runtime_error("fmemopen failed");
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{f};
    if (mhc) {
        gstboot::readmhc(f, name, ds, warnings ? *warnings : sink);
    } else {
        gstboot::readmic(f, name, ds, warnings ? *warnings : sink);
    }
}

std::unique_ptr<gstboot::DataSet> parsedata(const std::string& mhctext, const std::string& mictext,
                                            std::vector<std::string>* warnings) {
    auto ds = std::make_unique<gstboot::DataSet>();
    parseinto(*ds, true, mhctext, "MHCdata.txt", warnings);
    parseinto(*ds, false, mictext, "MICdata.txt", warnings);
    return ds;
}

}  // namespace testutil
