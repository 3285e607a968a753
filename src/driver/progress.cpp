#include "driver/progress.h"

namespace gstboot {

namespace {

// VT sequences: save the cursor, erase to the end of the line, restore it.
constexpr const char* SAVE = "\0337";
constexpr const char* ERASE = "\033[K";
constexpr const char* RESTORE = "\0338";

}  // namespace

std::string progresstext(const std::string& phase, long long done, long long total, double elapsed) {
    if (total <= 0) return phase;
    if (done > total) done = total;
    const long long percent = done * 100 / total;
    std::string left;
    if (done <= 0) {
        left = "";
    } else {
        const double remaining = elapsed * static_cast<double>(total - done) / static_cast<double>(done);
        if (remaining < 1.0) {
            left = ", less than a second left";
        } else if (remaining < 120.0) {
            left = ", about " + std::to_string(static_cast<long long>(remaining + 0.5)) + " s left";
        } else {
            left = ", about " + std::to_string(static_cast<long long>(remaining / 60.0 + 0.5)) + " min left";
        }
    }
    return phase + ": " + std::to_string(percent) + "% done" + left;
}

void Progress::start(const char* phase, long long total) {
    finish();
    phase_ = phase;
    total_ = total;
    began_ = Clock::now();
    drawn_ = began_;
}

void Progress::update(long long done) {
    if (!shown_ || phase_.empty()) return;
    const Clock::time_point now = Clock::now();
    const double elapsed = std::chrono::duration<double>(now - began_).count();
    if (elapsed < 1.0) return;
    if (visible_ && std::chrono::duration<double>(now - drawn_).count() < 0.25) return;
    drawn_ = now;
    visible_ = true;
    std::fprintf(stream_, "%s  [%s]%s%s", SAVE, progresstext(phase_, done, total_, elapsed).c_str(), ERASE, RESTORE);
    std::fflush(stream_);
}

void Progress::finish() {
    if (visible_) {
        std::fprintf(stream_, "%s%s%s", SAVE, ERASE, RESTORE);
        std::fflush(stream_);
    }
    visible_ = false;
    if (!phase_.empty()) phases_.push_back({phase_, std::chrono::duration<double>(Clock::now() - began_).count()});
    phase_.clear();
}

std::string timingline(const Progress& progress) {
    std::string line = "time:";
    const char* sep = " ";
    for (const Progress::Phase& p : progress.phases()) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f", p.seconds);
        line += sep + p.name + " " + seconds + " s";
        sep = ", ";
    }
    return line;
}

}  // namespace gstboot
