#pragma once

#include <future>

namespace app {

// Fontconfig reads its configuration and font caches on first use, most of the time to the
// first text drawn. Started before Qt, on a thread of its own, it runs while Qt starts and the
// port listing runs; finish() is then called before the first window is made.
class FontsAhead {
public:
    FontsAhead();
    // Waits for fontconfig, then loads Qt's font database and the window font.
    void finish();

private:
    std::future<bool> init_;
};

} // namespace app
