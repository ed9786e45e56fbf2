// Test helper: the errors an ErrorCapture saw, one described error a line.
#pragma once

#include <string>

#include "support/ChannelCapture.h"

// Each printed error as its description (the parts the print mask selects, joined by "|"),
// followed by a newline.
inline std::string reportText(const ErrorCapture& errors) {
    const std::string marker = "*** ERROR : ";
    std::string text = errors.text(), out;
    std::size_t at = text.find(marker);
    while (at != std::string::npos) {
        std::size_t next = text.find(marker, at + marker.size());
        std::string part =
            text.substr(at + marker.size(),
                        next == std::string::npos ? std::string::npos : next - at - marker.size());
        while (!part.empty() && part.back() == '\n') part.pop_back();
        for (char& c : part) {
            if (c == '\n') c = '|';
        }
        out += part + "\n";
        at = next;
    }
    return out;
}
