// Tests of output channels and shell streams: redirection through the stream stack, references
// held on streams, forwarding of values, and the shell methods.
#include <gtest/gtest.h>

#include <sstream>

#include "ShellTestSupport.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"

namespace {

using StringStream = FLSysOStreamImpl<std::ostringstream>;

// A string stream that tells when it is destroyed.
class WatchedStream : public std::ostringstream {
  public:
    explicit WatchedStream(bool& destroyed) : destroyed(destroyed) {}
    ~WatchedStream() override { destroyed = true; }

  private:
    bool& destroyed;
};

class OutputChannelTest : public ShellStateTest {
  protected:
    std::ostringstream textA, textB;
    Ref<StringStream> heldA = Ref<StringStream>::make(&textA);
    Ref<StringStream> heldB = Ref<StringStream>::make(&textB);
    StringStream* a = heldA.get();
    StringStream* b = heldB.get();

    void TearDown() override {
        heldA.reset();
        heldB.reset();
        ShellStateTest::TearDown();
    }
};

TEST_F(OutputChannelTest, RedirectionNestsAndUnwinds) {
    OutputChannel channel;
    channel << "dropped" << 1 << std::endl;  // no stream yet: nothing happens

    EXPECT_EQ(channel.setStream(a), &channel);
    EXPECT_EQ(channel.setStream(b), &channel);
    EXPECT_EQ(a->refCount(), 2);
    EXPECT_EQ(b->refCount(), 2);
    channel << 42;
    EXPECT_EQ(textB.str(), "42");
    EXPECT_EQ(textA.str(), "");

    EXPECT_EQ(channel.resetStream(), &channel);
    EXPECT_EQ(b->refCount(), 1);
    channel << "x";
    EXPECT_EQ(channel.resetStream(), nullptr);  // nothing stacked: A stays current
    EXPECT_EQ(channel.currentStream(), a);
    EXPECT_EQ(channel.stackedStreams(), 0u);
    channel << "y";
    EXPECT_EQ(textA.str(), "xy");

    EXPECT_EQ(channel.setStream(static_cast<FLSysOStream*>(nullptr)), nullptr);
    EXPECT_EQ(channel.currentStream(), a);

    channel.setStream(b);
    channel.releaseStreams();
    EXPECT_EQ(channel.currentStream(), nullptr);
    EXPECT_EQ(a->refCount(), 1);
    EXPECT_EQ(b->refCount(), 1);
}

TEST_F(OutputChannelTest, DestroyingAChannelReleasesEveryStream) {
    bool destroyed = false;
    auto owning =
        Ref<FLSysOStreamImpl<WatchedStream>>::make(std::make_unique<WatchedStream>(destroyed));
    {
        OutputChannel channel;
        channel.setStream(owning.get());
        channel.setStream(a);
        owning.reset();  // the channel's reference keeps it alive
        EXPECT_FALSE(destroyed);
        EXPECT_EQ(a->refCount(), 2);
    }
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(a->refCount(), 1);
}

TEST_F(OutputChannelTest, EveryValueKindReachesTheStream) {
    OutputChannel channel;
    channel.setStream(a);
    const char* nullText = nullptr;
    channel << std::string("s") << 'c' << static_cast<unsigned char>('u') << -3 << 4u << 5L << 6UL
            << static_cast<short>(7) << static_cast<unsigned short>(8) << 1.5 << 2.5f << nullText
            << std::hex << 255 << std::dec << " " << std::flush;
    EXPECT_EQ(textA.str(), "scu-3456781.52.5ff ");
    std::istringstream source("copied");
    channel << source.rdbuf() << std::endl;
    // The buffer is exhausted now: copying it again writes nothing and leaves the stream usable.
    channel << source.rdbuf() << static_cast<std::streambuf*>(nullptr) << "still";
    EXPECT_EQ(textA.str(), "scu-3456781.52.5ff copied\nstill");
}

TEST_F(OutputChannelTest, ShellMethods) {
    OutputChannel channel;
    clib_list<FLSysObject*> args;
    args.append(b);
    EXPECT_EQ(channel.methodCall("setStream", &args), &channel);
    EXPECT_EQ(channel.currentStream(), b);
    EXPECT_EQ(channel.methodCall("resetStream", nullptr), nullptr);

    // Arguments given to print or help are refused without a report.
    EXPECT_EQ(channel.methodCall("print", &args), nullptr);
    EXPECT_EQ(channel.methodCall("help", &args), nullptr);
    EXPECT_EQ(errors.text(), "");
    EXPECT_EQ(channel.methodCall("print", nullptr), &channel);
    EXPECT_EQ(system.text(), "anOutputChannel");

    auto text = Ref<FLSysString>::make("cout");
    clib_list<FLSysObject*> wrong;
    wrong.append(text.get());
    EXPECT_EQ(channel.methodCall("setStream", &wrong), nullptr);
    EXPECT_EQ(errors.text(), "\n*** ERROR : A method was called with an invalid argument. \n\n");
    text.reset();

    EXPECT_EQ(channel.methodCall("help", nullptr), &channel);
}

TEST_F(OutputChannelTest, StreamObjects) {
    EXPECT_TRUE(a->isOk());
    {
        const auto empty = Ref<FLSysOStreamImpl<>>::make(std::unique_ptr<std::ostream>());
        EXPECT_FALSE(empty->isOk());
        *empty << "nowhere" << std::endl;  // no stream: dropped
    }

    OutputChannel channel;
    channel.setStream(b);
    a->print(channel);
    EXPECT_EQ(textB.str(), "aFLSysOStream");
    // A corrupted (streamless) object is refused by the shell form of setStream.
    const auto broken = Ref<FLSysOStreamImpl<>>::make(static_cast<std::ostream*>(nullptr));
    clib_list<FLSysObject*> args;
    args.append(broken.get());
    EXPECT_EQ(channel.methodCall("setStream", &args), nullptr);
    EXPECT_EQ(centralErrorHandler().getError().getNumber(), 2016);
}

}  // namespace
