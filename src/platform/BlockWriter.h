// BlockWriter: an output stream buffer that gathers a long text (a save, a dump, an export) into
// large blocks and hands each block on whole, and stops taking text once the user asks the
// running work to stop.
#pragma once

#include <streambuf>
#include <vector>

// The writers end every line with a flush, which on a file stream is one system call a line: a
// save of a million short lines spent a quarter of its time there. Here a flush of a line waits
// for the block to fill; the text goes on only when a block is full and at `finish`. Each full
// block is also the moment to look for Ctrl-C or a farewell: from then on every write fails (the
// stream's bad bit stops the writers' text cheaply) and `stopped` says why.
class BlockWriter : public std::streambuf {
  public:
    // Hands the blocks to `target`, which it neither owns nor flushes before `finish`.
    explicit BlockWriter(std::streambuf* target, std::size_t blockSize = 256 * 1024);
    ~BlockWriter() override = default;
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // Hands on what is gathered and flushes the target. False when a write failed or the
    // writing was stopped (nothing more is handed on then).
    bool finish();
    // True once a stop request ended the writing.
    bool stopped() const { return stop; }
    // True once the target refused text.
    bool failed() const { return failure; }

  protected:
    int_type overflow(int_type character) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    // A flush of the writer's stream: the block waits until it is full.
    int sync() override { return stop || failure ? -1 : 0; }

  private:
    // Looks for a stop request, then hands the gathered text on; false when either ended the
    // writing.
    bool pass();

    std::streambuf* target;
    std::vector<char> block;
    bool stop = false;
    bool failure = false;
};
