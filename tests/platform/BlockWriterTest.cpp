// The block buffer of long writes: the text arrives whole and in order, line flushes do not
// reach the target, and Ctrl-C or a farewell ends the writing at the next block.
#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>

#include "platform/BlockWriter.h"
#include "platform/ControlEvents.h"
#include "platform/InterruptFlag.h"

namespace {

// A target that counts how often text is handed to it and how often it is flushed.
class CountingTarget : public std::stringbuf {
  public:
    int writes = 0;
    int flushes = 0;
    bool refuse = false;

  protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        ++writes;
        return refuse ? 0 : std::stringbuf::xsputn(text, count);
    }
    int sync() override {
        ++flushes;
        return 0;
    }
};

class BlockWriterTest : public ::testing::Test {
  protected:
    void SetUp() override { quiet(); }
    void TearDown() override { quiet(); }
    static void quiet() {
        controlEvents::takeFarewell();
        interruptFlag.store(0);
        controlEvents::takeCutShort();
    }
};

TEST_F(BlockWriterTest, LinesArriveWholeInBlocksAndFlushesWaitForTheBlock) {
    CountingTarget target;
    BlockWriter writer(&target, 64);
    std::ostream out(&writer);
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        const std::string line = "line " + std::to_string(i);
        out << line << std::endl;
        expected += line + "\n";
    }
    // Each block of 64 characters went on once; no line flush reached the target.
    EXPECT_EQ(target.writes, static_cast<int>(expected.size() / 64));
    EXPECT_EQ(target.flushes, 0);
    EXPECT_TRUE(writer.finish());
    EXPECT_EQ(target.flushes, 1);
    EXPECT_EQ(target.str(), expected);
    EXPECT_TRUE(out.good());
    EXPECT_FALSE(writer.stopped());
}

TEST_F(BlockWriterTest, TextLongerThanABlockInOnePiece) {
    CountingTarget target;
    BlockWriter writer(&target, 16);
    std::ostream out(&writer);
    const std::string text(1000, 'x');
    out << "a" << text << "b";
    EXPECT_TRUE(writer.finish());
    EXPECT_EQ(target.str(), "a" + text + "b");
}

TEST_F(BlockWriterTest, AStopRequestEndsTheWritingAtTheNextBlock) {
    for (int event : {controlEvents::CtrlC, controlEvents::Shutdown}) {
        CountingTarget target;
        BlockWriter writer(&target, 32);
        std::ostream out(&writer);
        out << std::string(40, 'a');  // one block handed on
        controlEvents::record(event);
        out << std::string(100, 'b');
        EXPECT_TRUE(writer.stopped()) << event;
        EXPECT_FALSE(out.good()) << event;
        EXPECT_FALSE(writer.finish()) << event;
        EXPECT_EQ(target.str(), std::string(32, 'a')) << event;
        EXPECT_EQ(target.flushes, 0) << event;
        EXPECT_TRUE(controlEvents::takeCutShort()) << event;
        quiet();
    }
}

TEST_F(BlockWriterTest, AStopDuringAShortTextKeepsItFromTheTarget) {
    // A text shorter than a block is looked at when it is finished.
    CountingTarget target;
    BlockWriter writer(&target);
    std::ostream out(&writer);
    out << "short" << std::endl;
    controlEvents::record(controlEvents::CtrlC);
    EXPECT_FALSE(writer.finish());
    EXPECT_TRUE(writer.stopped());
    EXPECT_EQ(target.str(), "");
}

TEST_F(BlockWriterTest, ATargetThatRefusesTextFailsTheWriting) {
    CountingTarget target;
    target.refuse = true;
    BlockWriter writer(&target, 8);
    std::ostream out(&writer);
    out << std::string(20, 'x');
    EXPECT_TRUE(writer.failed());
    EXPECT_FALSE(out.good());
    EXPECT_FALSE(writer.finish());
    EXPECT_FALSE(writer.stopped());
}

}  // namespace
