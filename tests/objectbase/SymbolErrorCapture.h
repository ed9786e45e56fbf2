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
    // Warnings are admitted too: the symbol table reports several of its rules as warnings.
    void SetUp() override { capture = std::make_unique<ErrorCapture>(7); }
    void TearDown() override { capture.reset(); }

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
    std::unique_ptr<ErrorCapture> capture;
};
