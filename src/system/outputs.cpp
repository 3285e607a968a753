#include "system/outputs.h"

#include <cerrno>
#include <cstring>

#include "common/error.h"

namespace gstboot {

OutputFile& OutputSet::add(const std::string& path) {
    files_.push_back(std::make_unique<OutputFile>(path));
    return *files_.back();
}

void flushconsole(std::FILE* console) {
    errno = 0;
    const bool failed = std::fflush(console) != 0;
    const int err = errno;
    if (failed || std::ferror(console)) {
        throw Error(ErrorKind::output, std::string("gstboot: cannot write standard output") +
                                           (err != 0 ? std::string(": ") + std::strerror(err) : std::string()));
    }
}

void OutputSet::commit(std::FILE* console) {
    // The console first, so that an output sharing its descriptor
    // (/dev/stdout) follows its text.
    flushconsole(console);
    for (auto& f : files_) f->finish();
    std::size_t k = 0;
    try {
        for (; k < files_.size(); ++k) files_[k]->install();
    } catch (const Error& e) {
        if (k == 0) throw;
        // The files before k are in place; the rest keep their previous text.
        std::string done, kept;
        for (std::size_t n = 0; n < files_.size(); ++n) {
            if (files_[n]->direct()) continue;
            std::string& list = n < k ? done : kept;
            list += (list.empty() ? "" : ", ") + files_[n]->path();
        }
        throw Error(ErrorKind::output, std::string(e.what()) + "; already replaced: " + done +
                                           "; left as they were: " + kept);
    }
}

}  // namespace gstboot
