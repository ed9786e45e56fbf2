// Test helper: the tokens a scanner finds in a text, as one line of words.
#pragma once

#include <map>
#include <sstream>
#include <string>

namespace language_test {

// The tokens of the text by their names, joined by blanks, up to the end of the input; a name
// ending in ":" is followed by the token's text. At the very end the scanners keep answering
// clause ends, so a second one in a row ends the line too. Also the line counter at the end.
template <class Scanner>
std::string scanWords(const std::string& text, const std::map<int, std::string>& names,
                      int clauseEnd, int* lines) {
    std::istringstream in(text);
    Scanner scanner(&in);
    std::string out;
    int previous = 0;
    for (int i = 0; i < 100; ++i) {
        const int token = scanner.yylex();
        auto found = names.find(token);
        std::string word = found != names.end() ? found->second : "?" + std::to_string(token);
        if (word.back() == ':') word += scanner.text();
        out += (out.empty() ? "" : " ") + word;
        if (token == 0 || (token == clauseEnd && previous == clauseEnd)) break;
        previous = token;
    }
    if (lines != nullptr) *lines = scanner.lineNumber();
    return out;
}

}  // namespace language_test
