#include "system/outputs.h"

#include <cerrno>
#include <cstring>

#include "common/error.h"
#include "system/signals.h"

namespace gstboot {

OutputFile& OutputSet::add(const std::string& path) {
    files_.push_back(std::make_unique<OutputFile>(path));
    return *files_.back();
}

void OutputSet::console(std::FILE* console, const std::string& text) {
    errno = 0;
    if (std::fputs(text.c_str(), console) == EOF && consoleerror_ == 0) consoleerror_ = errno;
}

void flushconsole(std::FILE* console, int earlier) {
    errno = 0;
    const bool failed = std::fflush(console) != 0;
    const int err = errno != 0 ? errno : earlier;
    if (failed || std::ferror(console)) {
        throw Error(ErrorKind::output, std::string("gstboot: cannot write standard output") +
                                           (err != 0 ? std::string(": ") + std::strerror(err) : std::string()));
    }
}

void OutputSet::commit(std::FILE* console, const std::function<void()>& betweenrenames) {
    // The console first, so that an output sharing its descriptor
    // (/dev/stdout) follows its text.
    flushconsole(console, consoleerror_);
    for (auto& f : files_) f->finish();
    std::size_t k = 0;
    try {
        SignalBlock block;
        for (; k < files_.size(); ++k) {
            files_[k]->install();
            if (betweenrenames && k + 1 < files_.size()) betweenrenames();
        }
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
    // Only after the last rename: a run that got one of the locks sooner
    // could put its file in place among ours.
    for (auto& f : files_) f->release();
}

}  // namespace gstboot
