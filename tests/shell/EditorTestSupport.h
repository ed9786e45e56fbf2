// A scripted key source and a small virtual terminal row for driving the line editor in tests.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "shell/KeySource.h"
#include "shell/LineEditor.h"
#include "shell/LineHistory.h"

namespace editortest {

using Keys = std::vector<int>;

constexpr int ctrl(char letter) {
    return letter & 0x1F;
}
constexpr int Esc = 27;
// In a script: nothing more is waiting here (a key typed later by hand).
constexpr int Pause = -100;

// Keys typed one after another; a script that runs out is the end of input.
class ScriptedKeys : public KeySource {
  public:
    ScriptedKeys() = default;
    explicit ScriptedKeys(std::vector<int> keys) : keys_(keys.begin(), keys.end()) {}

    int nextKey() override {
        while (!keys_.empty() && keys_.front() == Pause) keys_.pop_front();
        if (keys_.empty()) return EndOfInput;
        int key = keys_.front();
        keys_.pop_front();
        return key;
    }
    bool keyWaiting(int) override { return !keys_.empty() && keys_.front() != Pause; }
    std::size_t left() const { return keys_.size(); }

  private:
    std::deque<int> keys_;
};

// Bytes as a key script: text, then Pause markers or codes appended by the caller.
inline std::vector<int> typed(std::string_view text) {
    std::vector<int> keys;
    for (char c : text) keys.push_back(static_cast<unsigned char>(c));
    return keys;
}

inline std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A terminal as the editor sees it with output processing on: carriage return to the first
// column, line feed to the next row's first column, backspace one column left, BEL counted,
// everything else written where the cursor stands. A UTF-8 character takes one cell.
class VirtualScreen : public ScreenSink {
  public:
    void write(const char* bytes, int count) override {
        for (int i = 0; i < count; ++i) put(static_cast<unsigned char>(bytes[i]));
    }

    // The cursor's row without trailing blanks.
    std::string row() const { return rowText(current_); }
    std::string rowText(std::size_t index) const {
        if (index >= rows_.size()) return std::string();
        std::string text;
        for (const std::string& cell : rows_[index]) text += cell;
        return text.substr(0, text.find_last_not_of(' ') + 1);
    }
    std::size_t rowIndex() const { return current_; }
    int column() const { return column_; }
    // Where the cursor stood when the last line feed came.
    int columnBeforeFeed() const { return columnBeforeFeed_; }
    int beeps() const { return beeps_; }
    // The widest a row was ever printed, in columns.
    int widest() const { return widest_; }

  private:
    void put(unsigned char byte) {
        if (rows_.size() <= current_) rows_.resize(current_ + 1);
        std::vector<std::string>& cells = rows_[current_];
        if (byte == '\r') {
            column_ = 0;
        } else if (byte == '\n') {
            columnBeforeFeed_ = column_;
            ++current_;
            column_ = 0;
        } else if (byte == '\b') {
            if (column_ > 0) --column_;
        } else if (byte == '\a') {
            ++beeps_;
        } else if ((byte & 0xC0) == 0x80 && column_ > 0) {
            cells[static_cast<std::size_t>(column_ - 1)] += static_cast<char>(byte);
        } else {
            if (cells.size() <= static_cast<std::size_t>(column_)) cells.resize(column_ + 1, " ");
            cells[static_cast<std::size_t>(column_)] = std::string(1, static_cast<char>(byte));
            ++column_;
            if (column_ > widest_) widest_ = column_;
        }
    }

    std::vector<std::vector<std::string>> rows_;
    std::size_t current_ = 0;
    int column_ = 0;
    int columnBeforeFeed_ = 0;
    int beeps_ = 0;
    int widest_ = 0;
};

// One editor with its own history, driven line by line.
class EditorTest : public ::testing::Test {
  protected:
    // Runs one line to its end; the keys left over stay in keys.
    std::string edit(const std::vector<int>& script, const std::string& prompt = "> ") {
        keys = ScriptedKeys(script);
        std::string line;
        result = editor.readLine(prompt, keys, screen, line);
        EXPECT_LT(screen.widest(), editor.settings().width) << "a row wrapped";
        return line;
    }
    // Runs keys that do not end the line, then reports the row as drawn at that moment.
    std::string rowAfter(const std::vector<int>& script, const std::string& prompt = "> ") {
        VirtualScreen fresh;
        screen = fresh;
        edit(script, prompt);
        EXPECT_EQ(result, LineEditor::Result::EndOfInput);
        return lastRowBeforeEnd();
    }
    // The row the line was on when the script ran out (the editor then moves one row down).
    std::string lastRowBeforeEnd() const { return screen.rowText(screen.rowIndex() - 1); }

    LineHistory history;
    LineEditor editor{history};
    VirtualScreen screen;
    ScriptedKeys keys;
    LineEditor::Result result = LineEditor::Result::Line;
};

}  // namespace editortest
