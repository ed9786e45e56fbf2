// The console line editor as a state machine: keys in, a drawn row out, no terminal inside.
#pragma once

#include <string>
#include <vector>

#include "shell/Completion.h"
#include "shell/KeySource.h"
#include "shell/LineHistory.h"

// What the editor is told from outside; the caller may change it between lines.
struct LineEditorSettings {
    int width = 80;
    int height = 24;
    // Until a width has been set the line scrolls sideways 27 columns at a time, then 1.
    bool widthSet = false;
    bool viMode = false;
    // Null: Tab inserts blanks up to the next multiple of 8 columns, the prompt counted.
    Completion* completion = nullptr;
};

// Edits one line at a time with the emacs key set or vi's command mode, recalls and searches the
// history, completes words and draws the prompt and the line on one row that never wraps: a line
// wider than the row scrolls sideways with a "$" at each edge where text is hidden. The kill
// buffer, the overwrite flag and the search direction carry over from one line to the next.
class LineEditor {
  public:
    static constexpr std::size_t LongestLine = 2047;  // bytes; the buffer holds 2048
    static constexpr std::size_t KillLength = 255;
    static constexpr int PromptShown = 79;  // characters of the prompt that are drawn
    static constexpr int EscapeWait = 100;  // milliseconds an Escape waits for a further key

    enum class Result { Line, EndOfInput };

    explicit LineEditor(LineHistory& history) : history_(history) {}

    LineEditorSettings& settings() { return settings_; }

    // Reads one line: Line with the text (empty for Ctrl-D on an empty line or an unknown
    // key), or EndOfInput when the key source has run dry.
    Result readLine(const std::string& prompt, KeySource& keys, ScreenSink& screen,
                    std::string& line);

    const std::string& killBuffer() const { return kill_; }
    bool overwriting() const { return overwrite_; }
    // The cursor's byte offset in the line when readLine returned.
    std::size_t cursor() const { return cursor_; }

  private:
    enum class State { Editing, Accepted, EndOfInput };

    void handleKey(int key);
    void controlKey(int key, bool afterTab);
    void escapeKey();
    bool searchKey(int key);
    bool commandKey(int key);
    void command(int key, int count);
    void repeatMotion(bool (LineEditor::*motion)(), int count);
    void deleteMotion(int key, int count);
    void replaceUnder(int key, int count);
    void put(bool after, int count);

    void typeByte(unsigned char byte);
    void flushPendingCharacter();
    void insertCharacter(const std::string& character);
    bool insertText(std::string text);

    bool moveLeft();
    bool moveRight();
    bool wordForward();
    bool wordBack();
    void deleteCharacter(bool before);
    bool killRange(std::size_t from, std::size_t to);
    void yank();
    void transpose();
    bool recall(bool older);
    void replaceLine(const std::string& text, std::size_t cursor);

    void startSearch(bool backward);
    void searchAgain(bool includeCurrent);
    void endSearch();

    void complete(bool afterTab);
    void insertTabBlanks();
    void listMatches(std::vector<std::string> matches);

    void enterCommandMode();
    void leaveCommandMode(bool overwrite);

    std::string shownPrompt() const;
    void draw();
    void drawOnNewRow();
    void beep();
    void write(const std::string& bytes);
    void finish(State state, bool redraw);

    LineHistory& history_;
    LineEditorSettings settings_;

    // Carried over from line to line.
    std::string kill_;
    bool overwrite_ = false;
    bool searchBackward_ = true;

    // One line's state.
    KeySource* keys_ = nullptr;
    ScreenSink* screen_ = nullptr;
    std::string prompt_;
    std::string line_;
    std::size_t cursor_ = 0;
    State state_ = State::Editing;
    std::string pending_;  // the first bytes of a UTF-8 character being typed
    bool lastKeyTab_ = false;
    bool searching_ = false;
    std::string searchText_;
    bool commandMode_ = false;
    int count_ = 0;
    bool awaitingMotion_ = false;
    bool awaitingReplacement_ = false;
    int pendingCount_ = 1;  // the count given before "d" or "r"
    int scrolled_ = 0;      // characters of the line hidden at the left edge
    int rowLength_ = 0;     // columns drawn on the row last time
};
