// Files written beside their target and put in its place once whole.
#include "platform/FileReplacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What marks a temporary file of a write as ours, after the target's name.
constexpr char marker[] = ".quorin-save.";
constexpr std::size_t markerLength = sizeof marker - 1;
// The random letters and digits after the marker, and the hexadecimal digits of the check.
constexpr std::size_t randomLength = 8;
constexpr std::size_t checkLength = 4;
constexpr char randomCharacters[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::string folderOf(const std::string& path) {
    const std::string folder = fs::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// Whether the kernel itself would follow the link `link` (its status `info`) with
// fs.protected_symlinks on: a link in a sticky folder writable by all is followed only by its
// owner or when it belongs to the folder's owner. Otherwise says why not.
bool mayFollow(const std::string& link, const struct stat& info, std::string& why) {
    struct stat folder {};
    if (::stat(folderOf(link).c_str(), &folder) != 0) return true;
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    if (!shared || info.st_uid == folder.st_uid || info.st_uid == ::geteuid()) return true;
    why = link +
          " is a symbolic link in a folder that all users may write into, and it belongs neither "
          "to you nor to the folder's owner: it is not followed";
    return false;
}

// The file a chain of symbolic links ends at, also when that file is not there yet: a save
// through a link to a missing file makes the file, and the link stays. A link the kernel would
// not follow stops the walk; `why` then says why.
std::string followLinks(std::string path, std::string& why) {
    // As many links as the system follows itself before it gives up.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        if (!mayFollow(path, info, why)) return path;
        std::error_code error;
        const fs::path next = fs::read_symlink(path, error);
        if (error) return path;
        path = next.is_absolute() ? next.string() : (fs::path(path).parent_path() / next).string();
    }
    return path;
}

// The longest name the folder takes.
std::size_t longestName(const std::string& folder) {
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : 255;
}

// The target's name as its temporary files carry it: whole when the temporary name fits the
// folder's longest name, else its start, cut before a character rather than inside one.
std::string nameInTemporary(const std::string& folder, const std::string& base) {
    const std::size_t fixed = 1 + markerLength + randomLength + checkLength;
    const std::size_t longest = longestName(folder);
    // A folder of very short names keeps one byte of the target's name at least.
    const std::size_t room = longest > fixed ? longest - fixed : 1;
    if (base.size() <= room) return base;
    std::size_t cut = room;
    // UTF-8 continuation bytes (10xxxxxx) belong to the character before them.
    while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;
    return base.substr(0, cut);
}

// The start of the temporary names of the target `base` in `folder`.
std::string temporaryPrefix(const std::string& folder, const std::string& base) {
    return "." + nameInTemporary(folder, base) + marker;
}

// The check of a temporary name: four hexadecimal digits of a hash of everything before them
// and of the user, so that a user's file of the same shape matches only by a rare chance.
std::string checkOf(std::string_view named) {
    std::uint32_t hash = 2166136261u;
    auto mix = [&hash](std::string_view text) {
        for (char c : text) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 16777619u;
        }
    };
    mix(named);
    mix(":quorin:" + std::to_string(::geteuid()));
    static const char digits[] = "0123456789abcdef";
    std::string check;
    for (std::size_t i = 0; i < checkLength; ++i) check += digits[(hash >> (4 * i)) & 0xF];
    return check;
}

// A new temporary name (no folder) for the target named `base` in `folder`.
std::string temporaryName(const std::string& folder, const std::string& base) {
    static std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof randomCharacters - 2);
    std::string name = temporaryPrefix(folder, base);
    for (std::size_t i = 0; i < randomLength; ++i) name += randomCharacters[pick(generator)];
    return name + checkOf(name);
}

// Whether `name` (no folder) is a temporary name that starts with `prefix` (temporaryPrefix),
// its check included.
bool isTemporaryName(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + randomLength + checkLength ||
        name.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::size_t checkAt = prefix.size() + randomLength;
    for (std::size_t i = prefix.size(); i < checkAt; ++i) {
        if (std::isalnum(static_cast<unsigned char>(name[i])) == 0) return false;
    }
    return name.compare(checkAt, checkLength, checkOf(std::string_view(name).substr(0, checkAt))) ==
           0;
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

// Removes the named temporary files of `base` that writers killed on the way left in the
// folder. A living writer holds a lock on its temporary file for as long as it writes, so a file
// whose lock can be taken belongs to nobody. Only this user's regular files whose name carries
// the mark and a check that holds are touched.
void removeLeftovers(const std::string& folder, const std::string& base) {
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return;
    const int folderDescriptor = ::dirfd(listing);
    const std::string prefix = temporaryPrefix(folder, base);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (!isTemporaryName(name, prefix)) continue;
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

std::string reasonOf(int error) {
    return std::strerror(error != 0 ? error : EIO);
}

}  // namespace

FileReplacement::FileReplacement(std::string name, Temporary kind) : kind(kind) {
    target = followLinks(std::move(name), linkRefusal);
}

FileReplacement::~FileReplacement() {
    abandon();
}

bool FileReplacement::refuse(std::string reason) {
    refusalText = std::move(reason);
    return false;
}

bool FileReplacement::open() {
    abandon();
    refusalText.clear();
    if (!linkRefusal.empty()) return refuse(linkRefusal);
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    const int lookup = exists ? 0 : errno;
    // A file the user may not write stays so: replacing it would bypass its permissions.
    if (exists && ::access(target.c_str(), W_OK) != 0) return refuse(reasonOf(errno));
    if (exists && !S_ISREG(info.st_mode)) {
        // A device or a pipe: there is nothing to put in its place.
        errno = 0;
        out.open(target, std::ios::out | std::ios::trunc);
        opened = out.is_open();
        return opened || refuse(reasonOf(errno));
    }
    const std::string base = fs::path(target).filename().string();
    // No file name (a name ending in "/"), or a link that goes round in circles.
    if (base.empty() || base == "." || base == "..") return refuse("it names no file");
    if (lookup != 0 && lookup != ENOENT) return refuse(reasonOf(lookup));
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
        return refuse("no temporary file can be made in its folder (" + reasonOf(failure) +
                      "), and written in place it would be half-written if the save failed");
    }
    return refuse(reasonOf(failure));
}

int FileReplacement::openUnnamed(const std::string& folder, const struct stat* old) {
#ifdef O_TMPFILE
    const int descriptor = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (descriptor < 0) return errno;
    // The stream reaches the file the way its name is made at the end: through the process's
    // view of its own descriptors. Where that view is missing, the file cannot be named.
    errno = 0;
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
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = (fs::path(folder) / temporaryName(folder, base)).string();
        const int descriptor =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor < 0) {
            if (errno == EEXIST) continue;
            return errno;
        }
        // Another writer removing leftovers may have taken the new file for one before the lock
        // was on it: the file is then gone, and another one is made.
        (void)::flock(descriptor, LOCK_EX);
        struct stat made {};
        struct stat named {};
        if (::fstat(descriptor, &made) != 0 || ::lstat(name.c_str(), &named) != 0 ||
            made.st_dev != named.st_dev || made.st_ino != named.st_ino) {
            ::close(descriptor);
            continue;
        }
        giveAttributes(descriptor, old);
        temporary = name;
        held = descriptor;
        unnamed = false;
        errno = 0;
        out.open(temporary, std::ios::out | std::ios::trunc);
        if (out.is_open()) return 0;
        const int failure = errno != 0 ? errno : EIO;
        out.clear();
        abandon();
        return failure;
    }
    return EEXIST;
}

int FileReplacement::linkUnnamed() {
    const std::string source = descriptorPath(held);
    // A target that is not there yet appears whole under its name at once.
    if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno != EEXIST) return errno;
    // Over an old file: first under a temporary name (the lock keeps other writers from taking
    // it for a leftover), then renamed over the target in one step.
    const std::string folder = folderOf(target);
    const std::string base = fs::path(target).filename().string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = (fs::path(folder) / temporaryName(folder, base)).string();
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary = name;
            return std::rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

bool FileReplacement::commit() {
    if (!opened) return refuse(refusalText.empty() ? "nothing was written" : refusalText);
    errno = 0;
    out.flush();
    bool written = out.good();
    out.close();
    written = written && !out.fail();
    const int writeFailure = errno;
    opened = false;
    if (!written) {
        abandon();
        return refuse(reasonOf(writeFailure));
    }
    if (held < 0) return true;
    const int failure = unnamed                                               ? linkUnnamed()
                        : std::rename(temporary.c_str(), target.c_str()) == 0 ? 0
                                                                              : errno;
    if (failure == 0) temporary.clear();
    abandon();
    return failure == 0 || refuse(reasonOf(failure));
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
