// The Windows side of startup.h and stdfds.h.
#include "system/windows/api.h"
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "common/error.h"
#include "system/startup.h"
#include "system/stdfds.h"
#include "system/windows/wide.h"

namespace gstboot {

std::vector<std::string> commandline(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) {
        throw Error(ErrorKind::system,
                    std::string("gstboot: cannot read the command line: ") + std::strerror(windows::lasterrno()));
    }
    std::vector<std::string> args;
    for (int k = 1; k < count; ++k) args.push_back(windows::narrow(wide[k]));
    LocalFree(wide);
    return args;
}

void binaryconsole() {
    // A stream without a handle (no console) refuses; it fails its writes
    // anyway, which are reported.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void reservestdfds() {
    // Nothing to do: the C library keeps descriptors 0 to 2 for the standard
    // streams even when the process got no handle for them, so a file opened
    // later never takes their place, and writes to a missing standard output
    // fail as they should.
}

}  // namespace gstboot
