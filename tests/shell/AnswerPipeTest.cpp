// Ctrl-C while the answers wait on a full pipe whose reader does not read yet: the cut write is
// written again, the listing stops with "Printing aborted" and its count, and the answer channel
// goes on working.
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "PrettyPrinterTestSupport.h"
#include "foundation/FLSysOStream.h"
#include "platform/ControlEvents.h"
#include "platform/RetryingFileBuffer.h"
#include "support/GatedPipeReader.h"

namespace {

using printer_test::PrettyPrinterTest;

TEST_F(PrettyPrinterTest, CtrlCOnABlockedPipeStillEndsTheListing) {
    ASSERT_TRUE(controlEvents::install());
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    FRule* query = harness.rule("?- p(X).");
    std::vector<std::vector<InternalName>> rows;
    for (int i = 0; i < 20000; ++i) rows.push_back({object("o" + std::to_string(i))});
    Operand* result = answers(query, rows);

    // The listing fills the pipe and waits in write; then the signal comes, and only then does
    // the reader begin.
    const pthread_t lister = pthread_self();
    pipe_test::GatedPipeReader reader(ends[0], [lister, writeEnd = ends[1]] {
        pipe_test::waitUntilFull(writeEnd);
        pthread_kill(lister, SIGINT);
    });
    {
        RetryingFileBuffer buffer(ends[1]);
        std::ostream out(&buffer);
        // The channel must not keep a stream over `out` once the block ends: with no stream
        // before, going back to the earlier one would leave this one in place.
        const bool hadStream = answerChannel().currentStream() != nullptr;
        auto stream = Ref<FLSysOStreamImpl<std::ostream>>::make(&out);
        answerChannel().setStream(stream.get());
        printer->makeOutput(query, result);
        answerChannel() << "the channel goes on" << std::endl;
        if (hadStream) {
            answerChannel().resetStream();
        } else {
            answerChannel().releaseStreams();
        }
    }
    close(ends[1]);
    const std::string& received = reader.finish();
    close(ends[0]);

    EXPECT_NE(received.find("\nPrinting aborted\n"), std::string::npos);
    const std::size_t count = received.find(" output(s) printed \n");
    ASSERT_NE(count, std::string::npos);
    EXPECT_LT(std::stoi(received.substr(received.rfind("% ", count) + 2)), 20000);
    EXPECT_TRUE(received.ends_with("the channel goes on\n"));
}

}  // namespace
