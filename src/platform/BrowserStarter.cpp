// The browser program, the running-browser probe and the detached start of a program.
#include "platform/BrowserStarter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/ProcessInfo.h"

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Listed directly rather than through "ls": a HOME holding blanks or shell marks stays a name.
bool folderHoldsEntry(const std::string& folder, const char* entry) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return false;
    bool found = false;
    while (const dirent* item = readdir(dir)) {
        if (std::strcmp(item->d_name, entry) == 0) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

}  // namespace

std::string browserProgram() {
    const std::string list = environment("BROWSER");
    std::size_t begin = 0;
    while (begin <= list.size()) {
        std::size_t end = list.find(':', begin);
        if (end == std::string::npos) end = list.size();
        if (end > begin) return list.substr(begin, end - begin);
        begin = end + 1;
    }
    return "xdg-open";
}

bool browserIsRunning() {
    const std::string home = environment("HOME");
    return !home.empty() && folderHoldsEntry(home + "/.netscape/", "lock");
}

std::string workingFolder() {
    std::string folder(256, '\0');
    while (getcwd(folder.data(), folder.size()) == nullptr) {
        if (errno != ERANGE) return environment("PWD");
        folder.resize(folder.size() * 2);
    }
    folder.resize(std::strlen(folder.c_str()));
    return folder;
}

bool startInBackground(const std::vector<std::string>& args) {
    if (args.empty()) return false;
    // Everything the children need is made before fork: between fork and exec only
    // async-signal-safe calls are allowed.
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        // The middle process ends at once, so the program becomes init's child and nobody has to
        // reap it.
        if (fork() == 0) {
            setsid();
            const int input = open("/dev/null", O_RDONLY);
            if (input >= 0) {
                dup2(input, STDIN_FILENO);
                if (input != STDIN_FILENO) close(input);
            }
            execvp(argv[0], argv.data());
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    noteChildWaited();
    return true;
}
