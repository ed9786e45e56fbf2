// The line editor's vi mode and screen size from the environment and the window.
#include "shell/EditorSettings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

constexpr std::size_t LongestPath = 255;

// The number at the start of an environment value; 0 when there is none.
long leadingNumber(const char* text) {
    if (text == nullptr) return 0;
    return std::strtol(text, nullptr, 10);
}

}  // namespace

bool EditorSettings::viMode(const char* editor, const std::string& homeFolder) {
    if (editor != nullptr && std::strstr(editor, "vi") != nullptr) return true;
    std::string path = homeFolder + "/.inputrc";
    if (path.size() > LongestPath) return false;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.find("editing-mode") != std::string::npos &&
            line.find("vi") != std::string::npos) {
            return true;
        }
    }
    return false;
}

void EditorSettings::applyEnvironment(const char* columns, const char* rows,
                                      LineEditorSettings& settings) {
    long width = leadingNumber(columns);
    if (width >= NarrowestWidth) {
        settings.width = static_cast<int>(std::min<long>(width, WidestWidth));
        settings.widthSet = true;
    }
    long height = leadingNumber(rows);
    if (height > LowestHeight) settings.height = static_cast<int>(std::min<long>(height, 100000));
}

void EditorSettings::applyWindow(bool read, int columns, int rows, LineEditorSettings& settings) {
    if (!read) return;
    if (columns > 0) {
        settings.width = std::clamp(columns, NarrowestWidth, WidestWidth);
        settings.widthSet = true;
    }
    if (rows > 0) settings.height = std::max(rows, LowestHeight);
}
