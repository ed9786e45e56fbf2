// The built-in completion of the line editor: names of files and folders.
#pragma once

#include <string>
#include <vector>

#include "shell/Completion.h"

// The word is split after its last "/" into a folder and a name beginning (no "/": the folder
// "."; a "/" at the start: the folder "/"). "~" alone or before "/" is the home folder. The
// folder's entries except "." and ".." match when they begin with the name beginning, compared
// exactly: a case-blind match would put the name of another file into the line. A match is the
// folder part as typed followed by the name.
class FileNameCompletion : public Completion {
  public:
    std::optional<std::string> match(const std::string& word, int counter) override;

    bool completesFileNames() const override { return true; }
    bool isFolder(const std::string& completed) const override;
    std::string expandHome(const std::string& completed) const override;

    // HOME, else the home folder of the password entry, else ".".
    static std::string homeFolder();

  private:
    std::string listedWord_;
    std::vector<std::string> matches_;
};
