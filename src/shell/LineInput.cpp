// Chooses the reader for each line and connects the line editor to the terminal.
#include "shell/LineInput.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "platform/InterruptFlag.h"
#include "platform/RawTerminal.h"
#include "shell/EditorSettings.h"
#include "shell/FileNameCompletion.h"
#include "shell/KeyDecoder.h"
#include "shell/LineEditor.h"

namespace quorin::lineio {

namespace {

// The one editor of the process, with what it keeps from line to line.
struct Reader {
    LineHistory history;
    LineEditor editor{history};
    std::unique_ptr<Completion> completion;
    bool viModeDecided = false;
    bool environmentRead = false;
    bool (*farewellPending)() = nullptr;
};

Reader& reader() {
    static Reader theReader;
    return theReader;
}

Error lineTooLong() {
    return Error(11, 1017, 2, "LineTooLong",
                 "An input line longer than " + std::to_string(maxLineLength) +
                     " bytes (256 MB) was refused; reading goes on after its end.",
                 "FLSysInterpreter::readCommandLine", "");
}

bool farewell() {
    bool (*pending)() = reader().farewellPending;
    return pending != nullptr && pending();
}

// Bytes from the raw terminal. A read cut by a signal is tried again with the line kept, unless
// the signal ends the program; after a stop the line is drawn again.
class TerminalBytes : public ByteSource {
  public:
    explicit TerminalBytes(RawTerminal& terminal) : terminal_(terminal) {}

    int nextByte() override {
        for (;;) {
            unsigned char byte = 0;
            switch (terminal_.readByte(byte, farewell)) {
                case RawTerminal::Read::Byte:
                    return byte;
                case RawTerminal::Read::End:
                    return KeySource::EndOfInput;
                case RawTerminal::Read::Interrupted:
                    if (farewell()) return KeySource::EndOfInput;
                    // A Ctrl-C at the prompt stops nothing: left raised, it would stop the next
                    // command before it began.
                    interruptFlag.store(0);
                    if (RawTerminal::takeResumed()) return KeySource::Redraw;
                    break;
            }
        }
    }
    bool byteWaiting(int milliseconds) override { return terminal_.byteWaiting(milliseconds); }

  private:
    RawTerminal& terminal_;
};

class TerminalScreen : public ScreenSink {
  public:
    explicit TerminalScreen(RawTerminal& terminal) : terminal_(terminal) {}
    void write(const char* bytes, int count) override { terminal_.write(bytes, count); }

  private:
    RawTerminal& terminal_;
};

// A Ctrl-C while a started line is read from a pipe or a file drops that line, as the terminal's
// own line discipline does, and the lines after it are read as usual. A line longer than the
// bound is refused (reported once it passes the bound, then skipped to its end), so that endless
// input without a line end takes no more memory than the bound. A farewell signal ends the input
// at the next character, also while characters keep coming. The characters come through the
// standard input's buffer, which a consult of "stdin" reads on from.
bool readPlainLine(const std::string& prompt, std::string& line) {
    if (isatty(0)) std::cout << prompt << std::flush;
    line.clear();
    // A Ctrl-C that came before this line began was the last command's, which did not look.
    interruptFlag.store(0);
    bool refused = false;
    // Looked up once: the check runs for every character.
    bool (*const pending)() = reader().farewellPending;
    for (;;) {
        const int character = getc_unlocked(stdin);
        if (pending != nullptr && pending()) return false;
        if (interruptFlag.load() != 0) {
            interruptFlag.store(0);
            line.clear();
            refused = false;
        }
        if (character == EOF) {
            if (!std::ferror(stdin) || errno != EINTR) return !line.empty();
            std::clearerr(stdin);
            continue;
        }
        if (character == '\n') {
            if (!refused) return true;
            refused = false;
            continue;
        }
        if (refused) continue;
        if (line.size() >= maxLineLength) {
            centralErrorHandler().report(lineTooLong());
            refused = true;
            std::string().swap(line);
            continue;
        }
        line.push_back(static_cast<char>(character));
    }
}

bool editLine(Reader& r, RawTerminal& terminal, const std::string& prompt, std::string& line) {
    LineEditorSettings& settings = r.editor.settings();
    if (!r.viModeDecided) {
        r.viModeDecided = true;
        settings.viMode =
            EditorSettings::viMode(std::getenv("EDITOR"), FileNameCompletion::homeFolder());
    }
    // Read at the first edited line even when lines were added to the history before: the
    // history file is always loaded first, so they would otherwise never count.
    if (!r.environmentRead) {
        r.environmentRead = true;
        EditorSettings::applyEnvironment(std::getenv("COLUMNS"), std::getenv("ROWS"), settings);
    }
    int columns = 0;
    int rows = 0;
    bool read = terminal.windowSize(columns, rows);
    EditorSettings::applyWindow(read, columns, rows, settings);
    settings.completion = r.completion.get();

    TerminalBytes bytes(terminal);
    KeyDecoder keys(bytes);
    TerminalScreen screen(terminal);
    LineEditor::Result result = r.editor.readLine(prompt, keys, screen, line);
    terminal.leave();
    // A Ctrl-C that came while the editor was drawing or completing, not waiting for a key, was
    // still the prompt's: it must not stop the command the line starts.
    interruptFlag.store(0);
    return result == LineEditor::Result::Line;
}

}  // namespace

bool getline(const std::string& prompt, std::string& line) {
    Reader& r = reader();
    RawTerminal terminal(0, 1);
    if (!terminal.interactive() || !terminal.enter()) return readPlainLine(prompt, line);
    return editLine(r, terminal, prompt, line);
}

void history_add(std::string_view line) {
    reader().history.add(line);
}

void history_load(const std::string& path) {
    reader().history.load(path);
}

void set_completion_hook(CompletionHook hook) {
    Reader& r = reader();
    if (hook) {
        r.completion = std::make_unique<HookCompletion>(std::move(hook));
    } else {
        r.completion = std::make_unique<FileNameCompletion>();
    }
}

void set_farewell_check(bool (*pending)()) {
    reader().farewellPending = pending;
}

LineHistory& history() {
    return reader().history;
}

}  // namespace quorin::lineio
