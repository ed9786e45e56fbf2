// FileReplacement: a file written for the user whose new content replaces the old one only when
// it was written whole.
#pragma once

#include <sys/stat.h>

#include <fstream>
#include <string>

// The new content goes to a temporary file in the target's folder, which takes the target's
// place once it is flushed and closed without error. A full disk, a write error or a writer
// that dies on the way thus leaves the old file as it was; a failed write removes the temporary
// file. Where the file system allows, the temporary file has no name until it is put in place,
// so a writer killed on the way leaves nothing behind; elsewhere it is named "." + the target's
// name + "." + six letters and digits, and such a file that no living writer holds is removed at
// the next write into that folder. A folder that takes no new file refuses the write, also when
// the target itself could be written: written in place, a failure would leave it half-written.
// A target that is there but is no regular file (a device such as /dev/null or /dev/full, a
// pipe) is written directly, and the write is still checked. A symbolic link keeps pointing at
// the file it names, which is the one replaced, or made when it is not there yet.
class FileReplacement {
  public:
    // How the temporary file is made: without a name where the file system allows (Unnamed),
    // or named from the start, as on file systems without unnamed files (Named).
    enum class Temporary { Unnamed, Named };

    explicit FileReplacement(std::string target, Temporary kind = Temporary::Unnamed);
    // Abandons the write when it was not committed.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Opens the stream the content is written to; false when no file can be made or the target
    // is there without write permission.
    bool open();
    // After a failed open: why the write was refused when the reason is not plain from the file
    // alone (its folder takes no temporary file although the file could be written); empty
    // otherwise.
    const std::string& refusal() const { return refusalText; }
    // The stream of the new content; valid after a successful open until commit or abandon.
    std::ofstream& stream() { return out; }
    // Flushes and closes the stream and puts the content in place. False when anything failed:
    // the target is then unchanged (a device or pipe may have taken part of the content).
    bool commit();
    // Closes the stream and removes the temporary file; the target stays as it was.
    void abandon();

  private:
    // Open the stream on a new temporary file in the folder: 0, or the error that prevented it.
    int openUnnamed(const std::string& folder, const struct stat* old);
    int openNamed(const std::string& folder, const std::string& base, const struct stat* old);
    // Gives the unnamed temporary file the target's name.
    bool linkUnnamed();
    // Closes the temporary file's descriptor, which lets go of its lock.
    void release();

    std::string target;  // the file named by the user, symbolic links followed
    Temporary kind;
    std::string temporary;  // the temporary file's name while it has one
    int held = -1;          // the temporary file, locked while this writer lives
    bool unnamed = false;   // the temporary file has no name (yet)
    std::ofstream out;
    bool opened = false;
    std::string refusalText;
};
