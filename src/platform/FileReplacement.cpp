// Files written beside their target and renamed over it once whole.
#include "platform/FileReplacement.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

FileReplacement::FileReplacement(std::string name) : target(std::move(name)) {
    std::error_code error;
    if (std::filesystem::is_symlink(target, error)) {
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, error);
        if (!error) target = resolved.string();
    }
}

FileReplacement::~FileReplacement() {
    abandon();
}

bool FileReplacement::open() {
    abandon();
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    // A file the user may not write stays so: renaming over it would bypass its permissions.
    if (exists && ::access(target.c_str(), W_OK) != 0) return false;
    if (!exists || S_ISREG(info.st_mode)) {
        const std::filesystem::path path(target);
        std::filesystem::path folder = path.parent_path();
        if (folder.empty()) folder = ".";
        const std::string pattern =
            (folder / ("." + path.filename().string() + ".XXXXXX")).string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int descriptor = ::mkstemp(name.data());
        if (descriptor >= 0) {
            // The new file gets what the old one had, or what a newly made file would get.
            if (exists) {
                (void)::fchown(descriptor, info.st_uid, info.st_gid);
                (void)::fchmod(descriptor, info.st_mode & 07777);
            } else {
                (void)::fchmod(descriptor, 0666 & ~currentUmask());
            }
            ::close(descriptor);
            temporary = name.data();
            out.open(temporary, std::ios::out | std::ios::trunc);
            if (out.is_open()) {
                opened = true;
                return true;
            }
            std::remove(temporary.c_str());
            temporary.clear();
            return false;
        }
        // The folder takes no new file (or is missing, and then the direct open fails too).
    }
    out.open(target, std::ios::out | std::ios::trunc);
    opened = out.is_open();
    return opened;
}

bool FileReplacement::commit() {
    if (!opened) return false;
    out.flush();
    bool written = out.good();
    out.close();
    written = written && !out.fail();
    opened = false;
    if (temporary.empty()) return written;
    if (written && std::rename(temporary.c_str(), target.c_str()) == 0) {
        temporary.clear();
        return true;
    }
    std::remove(temporary.c_str());
    temporary.clear();
    return false;
}

void FileReplacement::abandon() {
    if (opened) out.close();
    out.clear();
    opened = false;
    if (!temporary.empty()) std::remove(temporary.c_str());
    temporary.clear();
}
