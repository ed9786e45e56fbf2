// The temporary files of the document layers that must not outlive the process.
#include "xml/LeftoverFiles.h"

#include <cstdio>
#include <cstdlib>
#include <set>

namespace leftoverFiles {
namespace {

std::set<std::string>& files() {
    static std::set<std::string> remembered;
    return remembered;
}

void removeAll() {
    for (const std::string& path : files()) std::remove(path.c_str());
    files().clear();
}

}  // namespace

void remember(const std::string& path) {
    // The set exists before the handler is registered, so it is still there when the handler runs.
    static const bool registered = (files(), std::atexit(&removeAll) == 0);
    if (registered) files().insert(path);
}

void forget(const std::string& path) {
    files().erase(path);
}

}  // namespace leftoverFiles
