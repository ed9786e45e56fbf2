// Test helpers that capture what a channel writes and restore the global error state afterwards.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "support/ChannelCapture.h"

// Captures the error, system and help channels and gives every test a fresh central handler
// state (filter 4, print mask 2, nothing kept), restoring the previous state afterwards.
class ShellStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedMask = Error::getOutputFilter();
        savedFilter = centralErrorHandler().outputSeriousness();
        savedKeep = centralErrorHandler().keepMostSerious();
        Error::setOutputFilter(2);
        centralErrorHandler().setOutputSeriousness(4);
        centralErrorHandler().setKeepMostSerious(1);
        centralErrorHandler().reset();
    }
    void TearDown() override {
        Error::setOutputFilter(savedMask);
        centralErrorHandler().setOutputSeriousness(savedFilter);
        centralErrorHandler().setKeepMostSerious(savedKeep);
        centralErrorHandler().reset();
    }

    ChannelCapture errors{errorChannel()};
    ChannelCapture system{systemChannel()};
    ChannelCapture help{helpChannel()};

  private:
    int savedMask = 0;
    int savedFilter = 0;
    int savedKeep = 1;
};
