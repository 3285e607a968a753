// gstboot: MHC versus neutral-marker differentiation, per population pair,
// with bootstrap intervals.
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "common/error.h"
#include "driver/options.h"
#include "driver/run.h"
#include "system/startup.h"
#include "system/stdfds.h"

namespace {

// Every failure ends here, after the run's destructors have joined its
// threads and removed its temporary files.
int fail(const std::string& console, const std::string& message, int status) {
    if (!console.empty()) std::fputs(console.c_str(), stdout);
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", message.c_str());
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    gstboot::reservestdfds();
    gstboot::binaryconsole();
    try {
        return gstboot::run(gstboot::parseoptions(gstboot::commandline(argc, argv)));
    } catch (const gstboot::Error& e) {
        return fail(e.console(), e.what(), e.status());
    } catch (const std::bad_alloc&) {
        return fail("", "gstboot: out of memory", gstboot::exitstatus(gstboot::ErrorKind::system));
    } catch (const std::exception& e) {
        return fail("", std::string("gstboot: ") + e.what(), gstboot::exitstatus(gstboot::ErrorKind::system));
    } catch (...) {
        return fail("", "gstboot: unexpected failure", gstboot::exitstatus(gstboot::ErrorKind::internal));
    }
}
