#include "driver/workers.h"

#include <new>
#include <system_error>

namespace gstboot {

bool Workers::start(std::function<void()> body, std::string& why) {
    try {
        // Room first: a thread that started could not be stored otherwise.
        threads_.reserve(threads_.size() + 1);
        threads_.emplace_back(std::move(body));
        return true;
    } catch (const std::system_error& e) {
        why = e.code().message();
    } catch (const std::bad_alloc&) {
        why = "out of memory";
    }
    return false;
}

void Workers::join() {
    for (std::thread& t : threads_) {
        if (t.joinable()) t.join();
    }
}

}  // namespace gstboot
