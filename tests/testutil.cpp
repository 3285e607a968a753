#include "testutil.h"

#include <dirent.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
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

void copyinputs(const std::string& goldencase, const std::string& dir) {
    for (const char* f : {"MHCdata.txt", "MICdata.txt"}) {
        writefile(dir + "/" + f, readfile(testdata("golden/" + goldencase + "/" + f)));
    }
}

std::string goldenseed(const std::string& goldencase) {
    std::string s = readfile(testdata("golden/" + goldencase + "/seed"));
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

Child::Child(const std::string& dir, const std::vector<std::string>& args, const RunSetup& how,
             const std::string& program)
    : outpath_(how.stdoutpath.empty() ? capture_.file("stdout") : how.stdoutpath),
      errpath_(capture_.file("stderr")), captured_(how.stdoutpath.empty()) {
    if (how.asnobody) ::chmod(capture_.path().c_str(), 0777);
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (how.asnobody) {
            if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(124);
        }
        if (chdir(dir.c_str()) != 0) _exit(120);
        if (!freopen(outpath_.c_str(), "w", stdout)) _exit(121);
        if (!freopen(errpath_.c_str(), "w", stderr)) _exit(122);
        if (how.closestdout) close(1);
        std::vector<char*> argv;
        std::string exe = program.empty() ? GSTBOOT_EXE : program;
        argv.push_back(&exe[0]);
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execvp(exe.c_str(), argv.data());
        _exit(123);
    }
    pid_ = pid;
}

Child::~Child() {
    if (!reaped_) {
        kill(pid_, SIGKILL);
        int st = 0;
        waitpid(pid_, &st, 0);
    }
}

// A device given as standard output (/dev/full reads as endless zeros) is
// never read back.
std::string Child::outsofar() const { return captured_ ? readfile(outpath_) : std::string(); }

bool Child::waitfor(const std::string& text, double seconds) {
    for (double waited = 0; waited < seconds; waited += 0.01) {
        if (outsofar().find(text) != std::string::npos) return true;
        int st = 0;
        if (waitpid(pid_, &st, WNOHANG) == pid_) {
            // Ended: reap it here, so wait() must not.
            reaped_ = true;
            status_ = st;
            return outsofar().find(text) != std::string::npos;
        }
        usleep(10000);
    }
    return false;
}

RunResult Child::wait() {
    int st = status_;
    if (!reaped_) {
        waitpid(pid_, &st, 0);
        reaped_ = true;
    }
    RunResult r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    r.out = outsofar();
    r.err = readfile(errpath_);
    return r;
}

RunResult rungstboot(const std::string& dir, const std::vector<std::string>& args, const RunSetup& how) {
    Child child(dir, args, how);
    return child.wait();
}

RunResult rungstboot(const std::string& dir, const std::vector<std::string>& args) {
    return rungstboot(dir, args, RunSetup{});
}

RunResult runshell(const std::string& dir, const std::string& command) {
    Child child(dir, {"-c", command}, RunSetup{}, "sh");
    return child.wait();
}

bool hasdevfull() {
    struct stat st;
    return ::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode);
}

bool canswitchuser() { return geteuid() == 0; }

}  // namespace testutil

#include "input/reader.h"

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

bool sameresult(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool havetool(const std::string& name) {
    const std::string cmd = "command -v '" + name + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace testutil

#include "estimates/cpu.h"

namespace testutil {

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (had_) {
        setenv(name_.c_str(), old_.c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

std::vector<gstboot::Isa> runnableisas() {
    std::vector<gstboot::Isa> isas;
    const gstboot::Isa widest = gstboot::widestisa();
    for (gstboot::Isa isa : {gstboot::Isa::baseline, gstboot::Isa::avx2, gstboot::Isa::avx512}) {
        if (isa <= widest) isas.push_back(isa);
    }
    return isas;
}

}  // namespace testutil
