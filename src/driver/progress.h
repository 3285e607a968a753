// A line on standard error that shows how far a long phase of the run is:
// "replicates: 45% done, about 12 s left". It appears once a phase has
// lasted a second, is redrawn in place at most a few times a second, and
// is erased when the phase ends. It is drawn after the cursor, which it
// saves and restores, so that the countdown on standard output, when it
// shares the terminal, goes on where it was and overwrites it. Nothing is
// written where the stream is not a terminal that can redraw a line.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace gstboot {

class Progress {
public:
    // Draws on `stream` only when `shown`; times the phases either way.
    Progress(std::FILE* stream, bool shown) : stream_(stream), shown_(shown) {}
    ~Progress() { finish(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // A phase of `total` steps begins; ends the one before.
    void start(const char* phase, long long total);

    // `done` of the phase's steps are done. Called by one thread at a time.
    void update(long long done);

    // Erases the line, if one was drawn, and ends the phase.
    void finish();

    // Each phase ended so far and its wall time, in the order they ran.
    struct Phase {
        std::string name;
        double seconds;
    };
    const std::vector<Phase>& phases() const { return phases_; }

private:
    using Clock = std::chrono::steady_clock;
    std::FILE* stream_;
    bool shown_;
    std::string phase_;
    long long total_ = 0;
    Clock::time_point began_{}, drawn_{};
    bool visible_ = false;
    std::vector<Phase> phases_;
};

// "time: reading 0.41 s, replicates 12.03 s, ...": the phases of `progress`.
std::string timingline(const Progress& progress);

// The text of the line: the phase, the share done in whole percent and the
// time left, extrapolated from the time so far ("less than a second left",
// "about N s left", "about N min left").
std::string progresstext(const std::string& phase, long long done, long long total, double elapsed);

}  // namespace gstboot
