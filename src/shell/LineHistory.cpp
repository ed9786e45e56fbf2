// The ring of recent command lines: adding, loading, browsing and searching.
#include "shell/LineHistory.h"

#include <fstream>
#include <new>

LineHistory::LineHistory() {
    slots_[newest_] = std::string();
}

void LineHistory::add(std::string_view line) {
    std::size_t start = line.find_first_not_of(" \t\n");
    if (start == std::string_view::npos) return;
    line.remove_prefix(start);
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    const std::optional<std::string>& last = slots_[before(newest_)];
    if (last && *last == line) return;
    try {
        slots_[newest_] = std::string(line);
        newest_ = after(newest_);
        slots_[newest_] = std::string();
    } catch (const std::bad_alloc&) {
        // Without memory for the copy the line stays out of the history; the session goes on.
        slots_[newest_] = std::string();
    }
    browse_ = newest_;
}

void LineHistory::load(const std::string& path) {
    std::ifstream file(path);
    if (!file) return;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > LongestLine) line.resize(LongestLine);
        add(line);
    }
}

bool LineHistory::previous(std::string& line) {
    int older = before(browse_);
    if (older == newest_ || !slots_[older]) return false;
    browse_ = older;
    line = *slots_[browse_];
    return true;
}

bool LineHistory::next(std::string& line) {
    if (browse_ == newest_) return false;
    browse_ = after(browse_);
    line = *slots_[browse_];
    return true;
}

void LineHistory::browseFromNewest() {
    browse_ = newest_;
}

bool LineHistory::search(std::string_view text, bool backward, bool includeCurrent,
                         std::string& line, std::size_t& at) {
    int slot = browse_;
    bool first = includeCurrent;
    for (;;) {
        if (!first) {
            if (backward) {
                int older = before(slot);
                if (older == newest_ || !slots_[older]) return false;
                slot = older;
            } else {
                if (slot == newest_) return false;
                slot = after(slot);
            }
        }
        first = false;
        std::size_t found = slots_[slot]->find(text);
        if (found != std::string::npos) {
            browse_ = slot;
            line = *slots_[slot];
            at = found;
            return true;
        }
    }
}

std::vector<std::string> LineHistory::lines() const {
    std::vector<std::string> held;
    for (int slot = after(newest_); slot != newest_; slot = after(slot)) {
        if (slots_[slot]) held.push_back(*slots_[slot]);
    }
    return held;
}
