// A test fixture that collects the names of the errors reported to the central error handler.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "support/ChannelCapture.h"

// Routes errorChannel into a string for the duration of a test, printing every error's name only.
class SymbolErrorCapture : public ::testing::Test {
  protected:
    void SetUp() override {
        savedMask = Error::getOutputFilter();
        savedFilter = centralErrorHandler().outputSeriousness();
        Error::setOutputFilter(1);
        centralErrorHandler().setOutputSeriousness(7);
        capture = std::make_unique<ChannelCapture>(errorChannel());
    }
    void TearDown() override {
        capture.reset();
        centralErrorHandler().setOutputSeriousness(savedFilter);
        Error::setOutputFilter(savedMask);
    }

    // The reported errors since the last call, as "W:Name" for warnings and "E:Name" for errors.
    std::vector<std::string> reported() {
        std::vector<std::string> names;
        std::istringstream lines(capture->text());
        std::string line;
        const std::string warning = "*** WARNING : ", error = "*** ERROR : ";
        while (std::getline(lines, line)) {
            if (line.rfind(warning, 0) == 0) names.push_back("W:" + line.substr(warning.size()));
            if (line.rfind(error, 0) == 0) names.push_back("E:" + line.substr(error.size()));
        }
        capture->clear();
        return names;
    }

  private:
    std::unique_ptr<ChannelCapture> capture;
    int savedMask = 0;
    int savedFilter = 0;
};
