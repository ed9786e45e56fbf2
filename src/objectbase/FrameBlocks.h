// FrameBlocks, the pool of frames made a block at a time and numbered in the order handed out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <vector>

// Frames made in blocks of constructed frames (2^blockBits a block) and handed out one at a time.
// A frame's number is its place in that order, so a registry can hold a frame as a 32-bit number
// where its address takes 64 bits. The pool owns its frames; a frame handed out stays where it is
// until the pool is cleared or destroyed.
template <class F>
class FrameBlocks {
  public:
    explicit FrameBlocks(int blockBits) : blockBits(blockBits) {}
    FrameBlocks(const FrameBlocks&) = delete;
    FrameBlocks& operator=(const FrameBlocks&) = delete;

    // Adds a block; false when it cannot be had.
    bool grow() {
        std::unique_ptr<F[]> block(new (std::nothrow) F[blockSize()]);
        if (block == nullptr) return false;
        blocks.push_back(std::move(block));
        next = 0;
        return true;
    }
    // The next unused frame of the last block, or null when it has none left.
    F* take() { return blocks.empty() || next == blockSize() ? nullptr : &blocks.back()[next++]; }

    // The frame of a number handed out.
    F* at(std::uint32_t number) const {
        return blocks[number >> blockBits].get() + (number & (blockSize() - 1));
    }
    // The number of a frame of the pool; false for any other address. Frames are mostly looked
    // up right after they are handed out, so the search runs from the last block.
    bool numberOf(const F* frame, std::uint32_t& number) const {
        for (std::size_t block = blocks.size(); block-- > 0;) {
            const F* first = blocks[block].get();
            if (std::less_equal<const F*>{}(first, frame) &&
                std::less<const F*>{}(frame, first + blockSize())) {
                number = std::uint32_t(block << blockBits) + std::uint32_t(frame - first);
                return true;
            }
        }
        return false;
    }

    // Gives back every block but the last and empties the frames of that one. Its frames handed
    // out earlier are not handed out again (the next place stays); the numbers start again at 0.
    void keepLastBlock() {
        if (blocks.empty()) return;
        blocks.erase(blocks.begin(), blocks.end() - 1);
        for (std::uint32_t at = 0; at < blockSize(); ++at) blocks.back()[at].clear();
    }

  private:
    std::uint32_t blockSize() const { return std::uint32_t(1) << blockBits; }

    int blockBits;
    std::vector<std::unique_ptr<F[]>> blocks;
    // The place of the next frame in the last block.
    std::uint32_t next = 0;
};
