// Files written beside their target and put in its place once whole.
#include "platform/FileReplacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The letters and digits that end a temporary file's name, as many as mkstemp puts there.
constexpr std::size_t randomLength = 6;
constexpr char randomCharacters[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The file a chain of symbolic links ends at, also when that file is not there yet: a save
// through a link to a missing file makes the file, and the link stays.
std::string followLinks(std::string path) {
    // As many links as the system follows itself before it gives up.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::error_code error;
        const fs::path next = fs::read_symlink(path, error);
        if (error) return path;
        path = next.is_absolute() ? next.string() : (fs::path(path).parent_path() / next).string();
    }
    return path;
}

std::string folderOf(const std::string& path) {
    const std::string folder = fs::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// The start of the temporary files' names of the target named `base` in `folder`.
std::string temporaryPrefix(const std::string& folder, const std::string& base) {
    return (fs::path(folder) / ("." + base + ".")).string();
}

std::string randomName(const std::string& prefix) {
    static std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof randomCharacters - 2);
    std::string name = prefix;
    for (std::size_t i = 0; i < randomLength; ++i) name += randomCharacters[pick(generator)];
    return name;
}

// The name under which the process reaches one of its open files; linking it gives an unnamed
// file a name.
std::string descriptorPath(int descriptor) {
    return "/proc/self/fd/" + std::to_string(descriptor);
}

// The new file gets what the old one had, or what a newly made file would get.
void giveAttributes(int descriptor, const struct stat* old) {
    if (old != nullptr) {
        (void)::fchown(descriptor, old->st_uid, old->st_gid);
        (void)::fchmod(descriptor, old->st_mode & 07777);
    } else {
        (void)::fchmod(descriptor, 0666 & ~currentUmask());
    }
}

// Whether `name` (no folder) is "." + base + "." and six letters and digits.
bool isTemporaryName(const std::string& name, const std::string& base) {
    const std::string prefix = "." + base + ".";
    if (name.size() != prefix.size() + randomLength || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (std::isalnum(static_cast<unsigned char>(name[i])) == 0) return false;
    }
    return true;
}

// Removes the named temporary files of `base` that writers killed on the way left in the
// folder. A living writer holds a lock on its temporary file for as long as it writes, so a file
// whose lock can be taken belongs to nobody. Only this user's regular files are touched.
void removeLeftovers(const std::string& folder, const std::string& base) {
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return;
    const int folderDescriptor = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (!isTemporaryName(name, base)) continue;
        const int descriptor = ::openat(folderDescriptor, name.c_str(),
                                        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0) continue;
        struct stat held {};
        struct stat named {};
        // The name is looked at again under the lock: the file may have been replaced since.
        if (::fstat(descriptor, &held) == 0 && S_ISREG(held.st_mode) &&
            held.st_uid == ::geteuid() && ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(folderDescriptor, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
            ::unlinkat(folderDescriptor, name.c_str(), 0);
        }
        ::close(descriptor);
    }
    ::closedir(listing);
}

}  // namespace

FileReplacement::FileReplacement(std::string name, Temporary kind)
    : target(followLinks(std::move(name))), kind(kind) {}

FileReplacement::~FileReplacement() {
    abandon();
}

bool FileReplacement::open() {
    abandon();
    refusalText.clear();
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    const int lookup = exists ? 0 : errno;
    // A file the user may not write stays so: replacing it would bypass its permissions.
    if (exists && ::access(target.c_str(), W_OK) != 0) return false;
    if (exists && !S_ISREG(info.st_mode)) {
        // A device or a pipe: there is nothing to put in its place.
        out.open(target, std::ios::out | std::ios::trunc);
        opened = out.is_open();
        return opened;
    }
    const std::string base = fs::path(target).filename().string();
    // No file name (a name ending in "/"), or a link that goes round in circles.
    if (base.empty() || base == "." || base == ".." || (lookup != 0 && lookup != ENOENT))
        return false;
    const std::string folder = folderOf(target);
    removeLeftovers(folder, base);
    const struct stat* old = exists ? &info : nullptr;
    int failure = kind == Temporary::Unnamed ? openUnnamed(folder, old) : EOPNOTSUPP;
    if (failure != 0) failure = openNamed(folder, base, old);
    if (failure == 0) {
        opened = true;
        return true;
    }
    // Written in place, the old content would be gone before the new one is whole.
    if (exists) {
        refusalText = "no temporary file can be made in its folder (" +
                      std::string(std::strerror(failure)) +
                      "), and written in place it would be half-written if the save failed";
    }
    return false;
}

int FileReplacement::openUnnamed(const std::string& folder, const struct stat* old) {
#ifdef O_TMPFILE
    const int descriptor = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (descriptor < 0) return errno;
    // The stream reaches the file the way its name is made at the end: through the process's
    // view of its own descriptors. Where that view is missing, the file cannot be named.
    out.open(descriptorPath(descriptor), std::ios::out | std::ios::trunc);
    if (!out.is_open()) {
        const int failure = errno != 0 ? errno : EIO;
        out.clear();
        ::close(descriptor);
        return failure;
    }
    giveAttributes(descriptor, old);
    // Held from now on: once the file is linked under a temporary name, no other writer may
    // take it for a leftover.
    (void)::flock(descriptor, LOCK_EX);
    held = descriptor;
    unnamed = true;
    return 0;
#else
    (void)folder;
    (void)old;
    return EOPNOTSUPP;
#endif
}

int FileReplacement::openNamed(const std::string& folder, const std::string& base,
                               const struct stat* old) {
    const std::string pattern = temporaryPrefix(folder, base) + "XXXXXX";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int descriptor = ::mkostemp(name.data(), O_CLOEXEC);
        if (descriptor < 0) return errno;
        // Another writer removing leftovers may have taken the new file for one before the lock
        // was on it: the file is then gone, and another one is made.
        (void)::flock(descriptor, LOCK_EX);
        struct stat made {};
        struct stat named {};
        if (::fstat(descriptor, &made) != 0 || ::stat(name.data(), &named) != 0 ||
            made.st_dev != named.st_dev || made.st_ino != named.st_ino) {
            ::close(descriptor);
            continue;
        }
        giveAttributes(descriptor, old);
        temporary = name.data();
        held = descriptor;
        unnamed = false;
        out.open(temporary, std::ios::out | std::ios::trunc);
        if (out.is_open()) return 0;
        const int failure = errno != 0 ? errno : EIO;
        out.clear();
        abandon();
        return failure;
    }
    return EEXIST;
}

bool FileReplacement::linkUnnamed() {
    const std::string source = descriptorPath(held);
    // A target that is not there yet appears whole under its name at once.
    if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST) return false;
    // Over an old file: first under a temporary name (the lock keeps other writers from taking
    // it for a leftover), then renamed over the target in one step.
    const std::string prefix =
        temporaryPrefix(folderOf(target), fs::path(target).filename().string());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = randomName(prefix);
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary = name;
            return std::rename(temporary.c_str(), target.c_str()) == 0;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool FileReplacement::commit() {
    if (!opened) return false;
    out.flush();
    bool written = out.good();
    out.close();
    written = written && !out.fail();
    opened = false;
    if (held < 0) return written;
    const bool placed =
        written && (unnamed ? linkUnnamed() : std::rename(temporary.c_str(), target.c_str()) == 0);
    if (placed) temporary.clear();
    abandon();
    return placed;
}

void FileReplacement::abandon() {
    if (opened) out.close();
    out.clear();
    opened = false;
    if (!temporary.empty()) std::remove(temporary.c_str());
    temporary.clear();
    release();
}

void FileReplacement::release() {
    if (held >= 0) ::close(held);
    held = -1;
    unnamed = false;
}
