// Worker threads that are always joined. Threads are started one at a
// time; a failure to start one (the system's limit, memory) is reported to
// the caller, never thrown, and the destructor joins every thread started,
// so that no exception can leave a joinable thread behind, which would end
// the program.
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace gstboot {

class Workers {
public:
    Workers() = default;
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;
    ~Workers() { join(); }

    // Runs `body` on one more thread; false, with the reason in `why`, when
    // no thread could be started.
    bool start(std::function<void()> body, std::string& why);

    std::size_t size() const { return threads_.size(); }

    // Waits for every thread started.
    void join();

private:
    std::vector<std::thread> threads_;
};

}  // namespace gstboot
