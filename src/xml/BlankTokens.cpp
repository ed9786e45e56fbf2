// blankTokens: a text cut at each blank, as attribute values and DTD defaults are.
#include "xml/BlankTokens.h"

std::vector<std::string> blankTokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::size_t begin = 0;
    for (std::size_t blank = text.find(' '); blank != std::string::npos;
         blank = text.find(' ', begin)) {
        tokens.push_back(text.substr(begin, blank - begin));
        begin = blank + 1;
    }
    tokens.push_back(text.substr(begin));
    return tokens;
}
