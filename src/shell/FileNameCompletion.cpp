// Lists a folder for the names that begin with the word being completed.
#include "shell/FileNameCompletion.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

bool startsWithHome(const std::string& word) {
    return word == "~" || word.rfind("~/", 0) == 0;
}

}  // namespace

std::string FileNameCompletion::homeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return home;
    if (passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return ".";
}

std::string FileNameCompletion::expandHome(const std::string& completed) const {
    if (!startsWithHome(completed)) return completed;
    return homeFolder() + completed.substr(1);
}

bool FileNameCompletion::isFolder(const std::string& completed) const {
    struct stat status {};
    return stat(expandHome(completed).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::optional<std::string> FileNameCompletion::match(const std::string& word, int counter) {
    if (counter == 0 || word != listedWord_) {
        listedWord_ = word;
        matches_.clear();
        std::string typed;  // the folder part as typed, put before every match
        std::string folder;
        std::string beginning;
        std::size_t slash = word.rfind('/');
        if (word == "~") {
            typed = "~/";
            folder = homeFolder();
        } else if (slash == std::string::npos) {
            folder = ".";
            beginning = word;
        } else {
            typed = word.substr(0, slash + 1);
            beginning = word.substr(slash + 1);
            folder = slash == 0 ? "/" : expandHome(typed);
        }
        if (DIR* listing = opendir(folder.c_str())) {
            while (dirent* entry = readdir(listing)) {
                std::string name = entry->d_name;
                if (name == "." || name == "..") continue;
                if (name.compare(0, beginning.size(), beginning) == 0) {
                    matches_.push_back(typed + name);
                }
            }
            closedir(listing);
        }
    }
    if (counter < 0 || static_cast<std::size_t>(counter) >= matches_.size()) return std::nullopt;
    return matches_[static_cast<std::size_t>(counter)];
}
