// gstboot: MHC versus neutral-marker differentiation, per population pair,
// with bootstrap intervals.
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "common/error.h"
#include "driver/options.h"
#include "driver/run.h"
#include "output/escape.h"
#include "system/startup.h"
#include "system/stdfds.h"

namespace {

// Every failure ends here, after the run's destructors have joined its
// threads and removed its temporary files. The message may quote a path or
// a name: each of its lines is escaped for the terminal.
int fail(const std::string& console, const std::string& message, int status) {
    if (!console.empty()) std::fputs(console.c_str(), stdout);
    std::fflush(stdout);
    std::size_t start = 0;
    for (std::size_t end; (end = message.find('\n', start)) != std::string::npos; start = end + 1) {
        std::fprintf(stderr, "%s\n", gstboot::terminaltext(message.substr(start, end - start)).c_str());
    }
    std::fprintf(stderr, "%s\n", gstboot::terminaltext(message.substr(start)).c_str());
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
