// The line editor's vi command mode: counts, motions, deletions over a motion, puts, replaces.
#include <algorithm>

#include "shell/LineEditor.h"
#include "shell/Utf8Steps.h"

namespace {

constexpr int Escape = 27;
constexpr int LargestCount = 9999;

}  // namespace

void LineEditor::enterCommandMode() {
    commandMode_ = true;
    count_ = 0;
    awaitingMotion_ = false;
    awaitingReplacement_ = false;
    moveLeft();
}

void LineEditor::leaveCommandMode(bool overwrite) {
    commandMode_ = false;
    overwrite_ = overwrite;
}

// True when the key was a command; control keys other than Escape act as outside command mode.
bool LineEditor::commandKey(int key) {
    bool text = (key >= 32 && key < 127);
    if (!text && key < 128) {
        if (key != Escape) {
            count_ = 0;
            awaitingMotion_ = false;
            awaitingReplacement_ = false;
        }
        return false;
    }
    if (awaitingReplacement_) {
        awaitingReplacement_ = false;
        if (text) {
            replaceUnder(key, pendingCount_);
        } else {
            beep();
        }
        draw();
        return true;
    }
    if ((key >= '1' && key <= '9') || (key == '0' && count_ > 0)) {
        count_ = std::min(count_ * 10 + (key - '0'), LargestCount);
        return true;
    }
    int count = std::max(count_, 1);
    count_ = 0;
    if (awaitingMotion_) {
        awaitingMotion_ = false;
        deleteMotion(key, std::min(pendingCount_ * count, LargestCount));
    } else if (text) {
        command(key, count);
    } else {
        beep();
    }
    draw();
    return true;
}

void LineEditor::command(int key, int count) {
    switch (key) {
        case 'h':
            repeatMotion(&LineEditor::moveLeft, count);
            break;
        case 'l':
        case ' ':
            repeatMotion(&LineEditor::moveRight, count);
            break;
        case '^':
            cursor_ = 0;
            break;
        case '$':
            cursor_ = line_.size();
            break;
        case 'w':
            repeatMotion(&LineEditor::wordForward, count);
            break;
        case 'b':
            repeatMotion(&LineEditor::wordBack, count);
            break;
        case 'k':
        case 'j':
            for (int i = 0; i < count; ++i) {
                if (!recall(key == 'k')) break;
            }
            break;
        case 'i':
        case 'I':
            leaveCommandMode(false);
            break;
        case 'a':
        case 'A':
        case 'o':
        case 'O':
            moveRight();
            leaveCommandMode(false);
            break;
        case 'R':
            leaveCommandMode(true);
            break;
        case 'r':
            awaitingReplacement_ = true;
            pendingCount_ = count;
            break;
        case 'p':
        case 'P':
            put(key == 'p', count);
            break;
        case 'd':
            awaitingMotion_ = true;
            pendingCount_ = count;
            break;
        default:
            beep();
            break;
    }
}

// Beeps and stops where the motion cannot go on.
void LineEditor::repeatMotion(bool (LineEditor::*motion)(), int count) {
    for (int i = 0; i < count; ++i) {
        if (!(this->*motion)()) {
            beep();
            return;
        }
    }
}

void LineEditor::deleteMotion(int key, int count) {
    switch (key) {
        case 'h': {
            std::size_t from = cursor_;
            for (int i = 0; i < count && from > 0; ++i) from = utf8::previousBoundary(line_, from);
            killRange(from, cursor_);
            break;
        }
        case 'l':
        case ' ':
            killRange(cursor_, utf8::advance(line_, cursor_, count));
            break;
        case '$':
            killRange(cursor_, line_.size());
            break;
        case 'w': {
            std::size_t from = cursor_;
            for (int i = 0; i < count && wordForward(); ++i) {
            }
            std::size_t to = cursor_;
            cursor_ = from;
            killRange(from, to);
            break;
        }
        case 'd':
            killRange(0, line_.size());
            leaveCommandMode(false);
            break;
        default:
            beep();
            break;
    }
}

void LineEditor::replaceUnder(int key, int count) {
    if (utf8::countCharacters(line_, cursor_, line_.size()) < count) {
        beep();
        return;
    }
    for (int i = 0; i < count; ++i) {
        std::size_t end = utf8::nextBoundary(line_, cursor_);
        line_.replace(cursor_, end - cursor_, 1, static_cast<char>(key));
        if (i + 1 < count) ++cursor_;
    }
}

// The cursor ends on the last character put, as in vi.
void LineEditor::put(bool after, int count) {
    if (kill_.empty()) {
        beep();
        return;
    }
    if (after) moveRight();
    std::string text;
    for (int i = 0; i < count && text.size() <= LongestLine; ++i) text += kill_;
    if (insertText(text)) moveLeft();
}
