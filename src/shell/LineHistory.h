// The history of command lines shared by the line editor and the plain line reader.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A ring of 100 slots. The newest slot always holds the empty string, the place of the line being
// edited, so the ring keeps the 99 most recent lines. Slots never filled are empty optionals. The
// browse index is where Ctrl-P, Ctrl-N and the searches stand.
class LineHistory {
  public:
    static constexpr int Slots = 100;
    // The longest line the editor can hold; a longer loaded line is cut.
    static constexpr std::size_t LongestLine = 2047;

    LineHistory();

    // Skips leading blanks, tabs and newlines and drops one trailing newline; adds nothing for an
    // empty rest or a repeat of the last line added. Moves the browse index to the newest slot.
    void add(std::string_view line);
    // Adds every line of the file, one entry per line; an unreadable file adds nothing.
    void load(const std::string& path);

    // One step back (older) or on (newer); false at the end, where nothing moves.
    bool previous(std::string& line);
    bool next(std::string& line);
    void browseFromNewest();

    // Looks for a line containing text, from the browse index (itself included when asked) in
    // the given direction; on success the browse index moves there and the line is returned
    // with the byte offset of the match.
    bool search(std::string_view text, bool backward, bool includeCurrent, std::string& line,
                std::size_t& at);

    // The lines held, oldest first.
    std::vector<std::string> lines() const;

  private:
    static int before(int slot) { return (slot + Slots - 1) % Slots; }
    static int after(int slot) { return (slot + 1) % Slots; }

    std::array<std::optional<std::string>, Slots> slots_;
    int newest_ = 0;
    int browse_ = 0;
};
