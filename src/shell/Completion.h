// What the line editor's Tab key asks for the word before the cursor.
#pragma once

#include <functional>
#include <optional>
#include <string>

// The matches of a word, one per call with counter 0, 1, 2, ... until none is left. The file-name
// completion adds what only file names need: quoting, a "/" after a single folder, the home folder
// in place of "~".
class Completion {
  public:
    virtual ~Completion() = default;
    virtual std::optional<std::string> match(const std::string& word, int counter) = 0;

    virtual bool completesFileNames() const { return false; }
    virtual bool isFolder(const std::string& /*completed*/) const { return false; }
    virtual std::string expandHome(const std::string& completed) const { return completed; }
};

// A completion hook as the shell installs it.
using CompletionHook =
    std::function<std::optional<std::string>(const std::string& word, int counter)>;

// Completion by a hook.
class HookCompletion : public Completion {
  public:
    explicit HookCompletion(CompletionHook hook) : hook_(std::move(hook)) {}
    std::optional<std::string> match(const std::string& word, int counter) override {
        return hook_(word, counter);
    }

  private:
    CompletionHook hook_;
};
