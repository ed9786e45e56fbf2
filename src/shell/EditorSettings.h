// How the line editor's settings follow the environment, ".inputrc" and the terminal window.
#pragma once

#include <string>

#include "shell/LineEditor.h"

class EditorSettings {
  public:
    static constexpr int NarrowestWidth = 21;
    static constexpr int WidestWidth = 250;
    static constexpr int LowestHeight = 10;

    // vi mode when EDITOR contains "vi" (".inputrc" is then not read); otherwise when a line of
    // the home folder's ".inputrc" contains both "editing-mode" and "vi". editor may be null.
    static bool viMode(const char* editor, const std::string& homeFolder);

    // COLUMNS above 20 sets the width (at most 250), ROWS above 10 the height; either may be null.
    static void applyEnvironment(const char* columns, const char* rows,
                                 LineEditorSettings& settings);

    // The window's size as read from the terminal (read false: nothing changes). A zero figure
    // keeps the current one; a window narrower or lower than the editor can work with counts as
    // the smallest it can.
    static void applyWindow(bool read, int columns, int rows, LineEditorSettings& settings);
};
