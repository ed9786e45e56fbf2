// The line editor's Tab key: completing the word before the cursor and listing its matches.
#include <algorithm>
#include <cctype>

#include "shell/LineEditor.h"
#include "shell/Utf8Steps.h"

namespace {

constexpr const char* SpecialCharacters = " \t*?<>|;&()[]$`";

std::string commonBeginning(const std::vector<std::string>& names) {
    std::string common = names.front();
    for (const std::string& name : names) {
        std::size_t same = 0;
        while (same < common.size() && same < name.size() && common[same] == name[same]) ++same;
        common.resize(same);
    }
    return common;
}

// Without regard to case, ties by bytes.
bool listedBefore(const std::string& a, const std::string& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        int x = std::tolower(static_cast<unsigned char>(a[i]));
        int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

}  // namespace

void LineEditor::complete(bool afterTab) {
    if (settings_.completion == nullptr) {
        insertTabBlanks();
        draw();
        return;
    }
    // The word starts after the last blank outside quotes, or after a quote still open.
    std::size_t start = 0;
    std::size_t afterBlank = 0;
    char quote = 0;
    for (std::size_t i = 0; i < cursor_; ++i) {
        char c = line_[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
            start = i + 1;
        } else if (c == ' ') {
            afterBlank = i + 1;
        }
    }
    if (quote == 0) start = afterBlank;
    std::string word = line_.substr(start, cursor_ - start);

    std::vector<std::string> matches;
    for (int counter = 0;; ++counter) {
        std::optional<std::string> match = settings_.completion->match(word, counter);
        if (!match) break;
        if (*match != "." && *match != "..") matches.push_back(*match);
    }
    if (afterTab || matches.empty()) {
        listMatches(std::move(matches));
        return;
    }

    Completion& completion = *settings_.completion;
    bool single = matches.size() == 1;
    bool fileNames = completion.completesFileNames();
    std::string completed = single ? matches.front() : commonBeginning(matches);
    bool folder = single && fileNames && completion.isFolder(completed);
    if (fileNames) completed = completion.expandHome(completed);
    std::string text;
    if (fileNames && quote == 0 &&
        completed.find_first_of(SpecialCharacters) != std::string::npos) {
        quote = completed.find('"') != std::string::npos ? '\'' : '"';
        text += quote;
    }
    text += completed;
    if (single) {
        if (folder) {
            text += '/';
        } else {
            text += quote != 0 ? quote : ' ';
        }
    }
    line_.erase(start, cursor_ - start);
    cursor_ = start;
    insertText(text);
    draw();
}

void LineEditor::insertTabBlanks() {
    std::string prompt = shownPrompt();
    int column =
        utf8::countCharacters(prompt, 0, prompt.size()) + utf8::countCharacters(line_, 0, cursor_);
    insertText(std::string(static_cast<std::size_t>(8 - column % 8), ' '));
}

void LineEditor::listMatches(std::vector<std::string> matches) {
    write("\n");
    if (matches.empty()) {
        beep();
        write("    (no matches)\n\r");
        rowLength_ = 0;
        draw();
        return;
    }
    std::sort(matches.begin(), matches.end(), listedBefore);
    // Each is shown without the beginning all share, cut back to just after its last character
    // that is not a letter or digit.
    std::string common = commonBeginning(matches);
    std::size_t cut = common.size();
    while (cut > 0 && std::isalnum(static_cast<unsigned char>(common[cut - 1]))) --cut;
    std::vector<std::string> shown;
    int longest = 0;
    for (const std::string& match : matches) {
        shown.push_back(match.substr(cut));
        longest = std::max(longest, utf8::countCharacters(shown.back(), 0, shown.back().size()));
    }

    int usable = settings_.width - 8;
    int columns = std::max(1, usable / (longest + 2));
    int cell = usable / columns;
    int total = static_cast<int>(shown.size());
    int rows = std::min((total + columns - 1) / columns, std::max(1, settings_.height - 4));
    int listed = std::min(total, rows * columns);
    for (int row = 0; row < rows; ++row) {
        std::string text = "    ";
        for (int column = 0; column < columns; ++column) {
            int i = column * rows + row;
            if (i >= listed) break;
            const std::string& name = shown[static_cast<std::size_t>(i)];
            text += name;
            int width = utf8::countCharacters(name, 0, name.size());
            if (width < cell) text.append(static_cast<std::size_t>(cell - width), ' ');
        }
        text.erase(text.find_last_not_of(' ') + 1);
        write(text + "\n\r");
    }
    if (listed < total) {
        write("    ... " + std::to_string(total - listed) + " others omitted ...\n\r");
    }
    rowLength_ = 0;
    draw();
}
