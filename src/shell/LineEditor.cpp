// The line editor's keys, history browsing, searching and drawing.
#include "shell/LineEditor.h"

#include <algorithm>

#include "shell/Utf8Steps.h"

namespace {

constexpr int ctrl(char letter) {
    return letter & 0x1F;
}
constexpr int Escape = 27;
constexpr int Delete = 127;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Keys that are typed as text: printable ASCII and every byte with the high bit set.
bool isText(int key) {
    return (key >= 32 && key < Delete) || (key >= 128 && key <= 255);
}

}  // namespace

LineEditor::Result LineEditor::readLine(const std::string& prompt, KeySource& keys,
                                        ScreenSink& screen, std::string& line) {
    keys_ = &keys;
    screen_ = &screen;
    prompt_ = prompt;
    line_.clear();
    cursor_ = 0;
    state_ = State::Editing;
    pending_.clear();
    lastKeyTab_ = false;
    searching_ = false;
    commandMode_ = false;
    count_ = 0;
    awaitingMotion_ = false;
    awaitingReplacement_ = false;
    scrolled_ = 0;
    rowLength_ = 0;
    history_.browseFromNewest();
    draw();
    while (state_ == State::Editing) handleKey(keys_->nextKey());
    line = line_;
    keys_ = nullptr;
    screen_ = nullptr;
    return state_ == State::Accepted ? Result::Line : Result::EndOfInput;
}

void LineEditor::handleKey(int key) {
    if (key == KeySource::Redraw) {
        draw();
        return;
    }
    if (!pending_.empty()) {
        if (key >= 0 && key <= 255 && utf8::isContinuation(static_cast<unsigned char>(key))) {
            typeByte(static_cast<unsigned char>(key));
            return;
        }
        flushPendingCharacter();
    }
    if (key < 0) {
        line_.clear();
        cursor_ = 0;
        finish(State::EndOfInput, false);
        return;
    }
    if (key == 0) {
        // A key the editor does not know ends the line empty, as at the end of input.
        line_.clear();
        cursor_ = 0;
        finish(State::Accepted, false);
        return;
    }
    bool afterTab = lastKeyTab_;
    lastKeyTab_ = key == '\t';
    if (searching_) {
        if (isText(key)) {
            typeByte(static_cast<unsigned char>(key));
            return;
        }
        if (searchKey(key)) return;
    }
    if (commandMode_ && commandKey(key)) return;
    if (isText(key)) {
        typeByte(static_cast<unsigned char>(key));
        return;
    }
    controlKey(key, afterTab);
}

void LineEditor::controlKey(int key, bool afterTab) {
    switch (key) {
        case ctrl('A'):
            cursor_ = 0;
            break;
        case ctrl('B'):
            if (!moveLeft()) beep();
            break;
        case ctrl('D'):
            if (line_.empty()) {
                finish(State::Accepted, false);
                return;
            }
            deleteCharacter(false);
            break;
        case ctrl('E'):
            cursor_ = line_.size();
            break;
        case ctrl('F'):
            if (!moveRight()) beep();
            break;
        case ctrl('H'):
        case Delete:
            deleteCharacter(true);
            break;
        case '\t':
            complete(afterTab);
            return;
        case ctrl('J'):
        case ctrl('M'):
            finish(State::Accepted, true);
            return;
        case ctrl('K'):
            killRange(cursor_, line_.size());
            break;
        case ctrl('L'):
            drawOnNewRow();
            return;
        case ctrl('N'):
            recall(false);
            break;
        case ctrl('O'):
            overwrite_ = !overwrite_;
            break;
        case ctrl('P'):
            recall(true);
            break;
        case ctrl('R'):
            startSearch(true);
            break;
        case ctrl('S'):
            startSearch(false);
            break;
        case ctrl('T'):
            transpose();
            break;
        case ctrl('U'):
            killRange(0, line_.size());
            break;
        case ctrl('W'): {
            std::size_t start = cursor_;
            while (start > 0 && isBlank(line_[start - 1])) --start;
            while (start > 0 && !isBlank(line_[start - 1])) --start;
            killRange(start, cursor_);
            break;
        }
        case ctrl('Y'):
            yank();
            break;
        case Escape:
            escapeKey();
            return;
        default:
            beep();
            break;
    }
    draw();
}

void LineEditor::escapeKey() {
    if (commandMode_) {
        beep();
        return;
    }
    bool another = keys_->keyWaiting(EscapeWait);
    if (settings_.viMode) {
        enterCommandMode();
        draw();
        if (another) handleKey(keys_->nextKey());
        return;
    }
    int key = another ? keys_->nextKey() : Escape;
    if (key == 'f' || key == 'F') {
        if (!wordForward()) beep();
    } else if (key == 'b' || key == 'B') {
        if (!wordBack()) beep();
    } else if (key < 0) {
        handleKey(key);
        return;
    } else {
        killRange(0, line_.size());
    }
    draw();
}

// ---- text ------------------------------------------------------------------------------------

void LineEditor::typeByte(unsigned char byte) {
    if (!pending_.empty()) {
        pending_ += static_cast<char>(byte);
        if (static_cast<int>(pending_.size()) == utf8::expectedLength(pending_[0])) {
            std::string character;
            character.swap(pending_);
            insertCharacter(character);
        }
        return;
    }
    if (utf8::expectedLength(byte) > 1) {
        pending_ = static_cast<char>(byte);
        return;
    }
    insertCharacter(std::string(1, static_cast<char>(byte)));
}

void LineEditor::flushPendingCharacter() {
    std::string character;
    character.swap(pending_);
    insertCharacter(character);
}

void LineEditor::insertCharacter(const std::string& character) {
    if (searching_) {
        searchText_ += character;
        searchAgain(true);
        return;
    }
    std::size_t replaced = 0;
    if (overwrite_ && cursor_ < line_.size())
        replaced = utf8::nextBoundary(line_, cursor_) - cursor_;
    if (line_.size() - replaced + character.size() > LongestLine) {
        beep();
        return;
    }
    line_.replace(cursor_, replaced, character);
    cursor_ += character.size();
    draw();
}

// Inserts at the cursor, cut at a character boundary to what the buffer still takes (with a beep);
// false when nothing fitted.
bool LineEditor::insertText(std::string text) {
    std::size_t room = LongestLine - line_.size();
    if (text.size() > room) {
        beep();
        std::size_t cut = 0;
        while (cut < text.size()) {
            std::size_t next = utf8::nextBoundary(text, cut);
            if (next > room) break;
            cut = next;
        }
        text.resize(cut);
    }
    line_.insert(cursor_, text);
    cursor_ += text.size();
    return !text.empty();
}

bool LineEditor::moveLeft() {
    if (cursor_ == 0) return false;
    cursor_ = utf8::previousBoundary(line_, cursor_);
    return true;
}

bool LineEditor::moveRight() {
    if (cursor_ >= line_.size()) return false;
    cursor_ = utf8::nextBoundary(line_, cursor_);
    return true;
}

// A word is a run of characters other than white space; forward goes to the next word's start.
bool LineEditor::wordForward() {
    if (cursor_ >= line_.size()) return false;
    while (cursor_ < line_.size() && !isBlank(line_[cursor_])) ++cursor_;
    while (cursor_ < line_.size() && isBlank(line_[cursor_])) ++cursor_;
    return true;
}

bool LineEditor::wordBack() {
    if (cursor_ == 0) return false;
    while (cursor_ > 0 && isBlank(line_[cursor_ - 1])) --cursor_;
    while (cursor_ > 0 && !isBlank(line_[cursor_ - 1])) --cursor_;
    return true;
}

// In command mode the character deleted replaces the kill buffer.
void LineEditor::deleteCharacter(bool before) {
    if (before ? cursor_ == 0 : cursor_ >= line_.size()) {
        beep();
        return;
    }
    std::size_t from = before ? utf8::previousBoundary(line_, cursor_) : cursor_;
    std::size_t to = before ? cursor_ : utf8::nextBoundary(line_, cursor_);
    if (commandMode_) {
        killRange(from, to);
        return;
    }
    line_.erase(from, to - from);
    cursor_ = from;
}

// Moves the text into the kill buffer; a kill of nothing or of more than the kill buffer holds
// changes nothing and beeps.
bool LineEditor::killRange(std::size_t from, std::size_t to) {
    if (from >= to || to - from > KillLength) {
        beep();
        return false;
    }
    kill_ = line_.substr(from, to - from);
    line_.erase(from, to - from);
    cursor_ = from;
    return true;
}

void LineEditor::yank() {
    if (kill_.empty()) {
        beep();
        return;
    }
    insertText(kill_);
}

void LineEditor::transpose() {
    if (cursor_ == 0 || cursor_ >= line_.size()) {
        beep();
        return;
    }
    std::size_t start = utf8::previousBoundary(line_, cursor_);
    std::size_t end = utf8::nextBoundary(line_, cursor_);
    std::string before = line_.substr(start, cursor_ - start);
    std::string under = line_.substr(cursor_, end - cursor_);
    line_.replace(start, end - start, under + before);
    cursor_ = end;
}

// ---- history and search ------------------------------------------------------------------------

bool LineEditor::recall(bool older) {
    std::string text;
    if (older ? history_.previous(text) : history_.next(text)) {
        replaceLine(text, text.size());
        return true;
    }
    beep();
    replaceLine(std::string(), 0);
    return false;
}

void LineEditor::replaceLine(const std::string& text, std::size_t cursor) {
    line_ = text.substr(0, LongestLine);
    cursor_ = std::min(cursor, line_.size());
}

void LineEditor::startSearch(bool backward) {
    searchBackward_ = backward;
    if (!searching_) {
        searching_ = true;
        searchText_.clear();
    }
}

void LineEditor::searchAgain(bool includeCurrent) {
    std::string found;
    std::size_t at = 0;
    if (history_.search(searchText_, searchBackward_, includeCurrent, found, at)) {
        replaceLine(found, at);
    } else {
        beep();
        replaceLine(std::string(), 0);
    }
    draw();
}

void LineEditor::endSearch() {
    searching_ = false;
    draw();
}

// True when the key was the search's; otherwise the search has ended and the key acts as usual.
bool LineEditor::searchKey(int key) {
    if (key == ctrl('H') || key == Delete) {
        if (!searchText_.empty()) {
            searchText_.erase(utf8::previousBoundary(searchText_, searchText_.size()));
        }
        if (searchText_.empty()) {
            draw();
        } else {
            searchAgain(true);
        }
        return true;
    }
    if (key == ctrl('R') || key == ctrl('S')) {
        searchBackward_ = key == ctrl('R');
        if (searchText_.empty()) {
            beep();
        } else {
            searchAgain(false);
        }
        return true;
    }
    endSearch();
    return false;
}

// ---- drawing -----------------------------------------------------------------------------------

std::string LineEditor::shownPrompt() const {
    const std::string& prompt = searching_ ? searchText_ + "? " : prompt_;
    // At least 8 columns stay for the line however narrow the row.
    int shown = std::min(PromptShown, std::max(1, settings_.width - 9));
    return prompt.substr(0, utf8::advance(prompt, 0, shown));
}

void LineEditor::draw() {
    if (screen_ == nullptr) return;
    std::string prompt = shownPrompt();
    int promptColumns = utf8::countCharacters(prompt, 0, prompt.size());
    int room = settings_.width - 1 - promptColumns;  // the last column stays empty: no wrap
    int length = utf8::countCharacters(line_, 0, line_.size());
    int cursor = utf8::countCharacters(line_, 0, cursor_);
    int step = settings_.widthSet ? 1 : 27;

    // For a given number of characters hidden at the left: the markers and the characters shown.
    auto layout = [&](int hidden, bool& left, bool& right, int& shown) {
        left = hidden > 0;
        int columns = room - (left ? 1 : 0);
        right = length - hidden > columns;
        shown = right ? columns - 1 : length - hidden;
    };
    auto cursorVisible = [&](int hidden) {
        bool left = false;
        bool right = false;
        int shown = 0;
        layout(hidden, left, right, shown);
        return cursor >= hidden && (right ? cursor - hidden < shown : cursor - hidden <= shown);
    };
    if (length <= room) {
        scrolled_ = 0;
    } else {
        while (cursor < scrolled_) scrolled_ = std::max(0, scrolled_ - step);
        while (!cursorVisible(scrolled_)) scrolled_ = std::min(scrolled_ + step, cursor);
    }
    bool left = false;
    bool right = false;
    int shown = 0;
    layout(scrolled_, left, right, shown);
    std::size_t first = utf8::advance(line_, 0, scrolled_);
    std::size_t last = utf8::advance(line_, first, shown);

    std::string row =
        prompt + (left ? "$" : "") + line_.substr(first, last - first) + (right ? "$" : "");
    int rowColumns = promptColumns + (left ? 1 : 0) + shown + (right ? 1 : 0);
    std::string out = "\r" + row;
    if (rowLength_ > rowColumns) out.append(static_cast<std::size_t>(rowLength_ - rowColumns), ' ');
    out += "\r" + prompt + (left ? "$" : "") + line_.substr(first, cursor_ - first);
    rowLength_ = rowColumns;
    write(out);
}

void LineEditor::drawOnNewRow() {
    write("\n");
    rowLength_ = 0;
    draw();
}

void LineEditor::beep() {
    write("\a");
}

void LineEditor::write(const std::string& bytes) {
    if (screen_ != nullptr) screen_->write(bytes.data(), static_cast<int>(bytes.size()));
}

void LineEditor::finish(State state, bool redraw) {
    if (searching_) searching_ = false;
    if (redraw) {
        draw();
        write("\n\r");
    } else {
        write("\n");
    }
    state_ = state;
}
