// Replays the shell fuzz target's seeds and every input that once made it fail: each runs its
// command sequence from start-up to the exit sequence without a fault or a leak.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "../../fuzz/ShellFuzzInput.h"

namespace {

TEST(ShellFuzzReplay, SeedsAndRegressionsRunWithoutFault) {
    const auto fuzz = std::filesystem::path(QUORIN_SOURCE_DIR) / "fuzz";
    const std::string configuration =
        (std::filesystem::path(QUORIN_SOURCE_DIR) / "config" / "config.flp").string();
    int replayed = 0;
    for (const char* folder : {"shell-seeds", "shell-regressions"}) {
        for (const auto& entry : std::filesystem::directory_iterator(fuzz / folder)) {
            if (entry.path().filename() == "README") continue;
            std::ifstream file(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
            shellfuzz::runShell(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                                configuration);
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0);
}

}  // namespace
