// Tests of the container memory manager: pooled and large sizes, reuse, release and its tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "foundation/ClibErrorHandler.h"
#include "foundation/MemoryManager.h"

namespace {

TEST(MemoryManager, PooledAndLargeSizes) {
    memory_manager m(256, "TEST_MGR");
    void* pooled = m.allocate(254);
    EXPECT_EQ(m.free_count(254), m.carved_count(254) - 1);
    std::int32_t before = m.total();
    void* large = m.allocate(255);
    // The start-up counter is non-zero here, so the large chunk is counted with its header.
    EXPECT_EQ(m.blocks(0), 1);
    EXPECT_EQ(m.total(), before + 255 + 8);
    m.deallocate(large, 255);
    EXPECT_EQ(m.total(), before);
    m.deallocate(pooled, 254);
    m.deallocate(nullptr, 300);  // ignored
}

TEST(MemoryManager, FreedChunksAreReusedBeforeNewBlocks) {
    memory_manager m(256, "TEST_MGR");
    std::vector<void*> chunks;
    for (int i = 0; i < 3000; ++i) chunks.push_back(m.allocate(40));
    const std::int32_t blocks = m.blocks(40);
    std::shuffle(chunks.begin(), chunks.end(), std::mt19937(3));
    for (void* p : chunks) m.deallocate(p, 40);
    EXPECT_EQ(m.free_count(40), m.carved_count(40));
    for (void*& p : chunks) p = m.allocate(40);
    EXPECT_EQ(m.blocks(40), blocks);
    std::vector<void*> sorted = chunks;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());  // all distinct
    for (void* p : chunks) m.deallocate(p, 40);
}

TEST(MemoryManager, EmptySizesGoBackToTheHeap) {
    memory_manager m(256, "TEST_MGR");
    void* kept = m.allocate(40);
    void* dropped = m.allocate(48);
    m.deallocate(dropped, 48);
    m.release_empty_sizes();
    EXPECT_EQ(m.blocks(48), 0);
    EXPECT_EQ(m.carved_count(48), 0);
    EXPECT_EQ(m.blocks(40), 1);
    void* again = m.allocate(48);  // a released size carves anew
    EXPECT_NE(again, nullptr);
    m.deallocate(again, 48);
    m.deallocate(kept, 40);
}

TEST(MemoryManager, StatisticsTableFormat) {
    memory_manager m(256, "TEST_MGR");
    void* p = m.allocate(16);
    void* big = m.allocate(1000);
    testing::internal::CaptureStderr();
    m.print_statistics();
    std::string out = testing::internal::GetCapturedStderr();
    std::string border = "\t\\+-{50}\\+\n";
    std::regex table(
        "\n\t TEST_MGR \\(memory status\\)\n" + border +
        "\t\\|   size     used     free     blocks     bytes    \\|\n" + border +
        "\t\\|    16         1     +\\d+         1   +\\d+    \\|\n"
        "\t\\| > 255         -        -         1       1008    \\|\n" +
        border + "\t\\|   time: +\\d+\\.\\d\\d sec              space: +\\d+\\.\\d\\d kb \\|\n" +
        border + "\n");
    EXPECT_TRUE(std::regex_match(out, table)) << out;
    m.deallocate(p, 16);
    m.deallocate(big, 1000);
}

TEST(MemoryManager, UsedMemoryTableListsOnlySizesInUse) {
    memory_manager m(256, "TEST_MGR");
    testing::internal::CaptureStderr();
    m.print_used_memory();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    void* p = m.allocate(32);
    void* q = m.allocate(64);
    m.deallocate(q, 64);
    testing::internal::CaptureStderr();
    m.print_used_memory();
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("\t TEST_MGR (memory still in use)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\t|    32         1   "), std::string::npos) << out;
    EXPECT_EQ(out.find("\t|    64 "), std::string::npos) << out;
    m.deallocate(p, 32);
}

int reports = 0;
void countingHandler(int, const char*) {
    ++reports;
}

TEST(MemoryManager, NoChunkWhenNoBlockCanBeHadAndTheHandlerReturns) {
    memory_manager m(256, "TEST_MGR");
    install_error_handler(countingHandler);
    reports = 0;
    EXPECT_EQ(m.pop_chunk(0), nullptr);  // size 0 has no blocks
    EXPECT_EQ(reports, 1);
    install_error_handler(default_error_handler);
}

TEST(MemoryManagerDeathTest, IllegalBlockSize) {
    EXPECT_DEATH(std_memory_mgr->allocate_block(0, -1),
                 "CLIB ERROR HANDLER\n\tallocate_block: illegal size \\(0 bytes\\)");
}

}  // namespace
