// The POSIX side of startup.h and stdfds.h.
#include <fcntl.h>
#include <unistd.h>

#include "system/startup.h"
#include "system/stdfds.h"

namespace gstboot {

std::vector<std::string> commandline(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void binaryconsole() {}

void reservestdfds() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) continue;
        int got = ::open("/dev/null", O_RDONLY);
        // open returns the lowest free descriptor, which is `fd` itself; any
        // other is a descriptor we do not want.
        if (got >= 0 && got != fd) {
            ::dup2(got, fd);
            ::close(got);
        }
    }
}

}  // namespace gstboot
