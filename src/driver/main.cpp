// gstboot: MHC versus neutral-marker differentiation, per population pair,
// with bootstrap intervals.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "data/error.h"
#include "driver/options.h"
#include "driver/run.h"
#include "driver/stdfds.h"

int main(int argc, char** argv) {
    gstboot::reservestdfds();
    try {
        std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        return gstboot::run(gstboot::parseoptions(args));
    } catch (const gstboot::Error& e) {
        if (e.channel() == gstboot::Error::Channel::stdout_bare) {
            std::fputs(e.what(), stdout);
            std::fflush(stdout);
        } else {
            std::fflush(stdout);
            std::fprintf(stderr, "%s\n", e.what());
        }
        return e.status();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "gstboot: out of memory\n");
        return 1;
    }
}
