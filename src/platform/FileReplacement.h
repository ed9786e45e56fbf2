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
// name + ".quorin-save." + eight letters and digits + four hexadecimal digits that check the rest
// of the name. The target's name is shortened in it when the whole would pass the longest name
// the folder takes. Only a file of that shape whose check holds, which belongs to this user and
// which no living writer holds locked, is taken for a leftover of a killed writer and removed at
// the next write of the same target; any other file of the user stays, whatever its name.
// A folder that takes no new file refuses the write, also when the target itself could be
// written: written in place, a failure would leave it half-written. A target that is there but
// is no regular file (a device such as /dev/null or /dev/full, a pipe) is written directly, and
// the write is still checked. A symbolic link keeps pointing at the file it names, which is the
// one replaced, or made when it is not there yet; a link is followed only where the kernel would
// follow it itself: not one that lies in a sticky folder writable by all (the shared temporary
// folder) and belongs neither to the writer nor to the folder's owner.
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

    // Opens the stream the content is written to; false when no file can be made, the target
    // is there without write permission or a link to it may not be followed.
    bool open();
    // After a failed open or commit: why the write was refused or failed.
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
    // Gives the unnamed temporary file the target's name: 0, or the error that prevented it.
    int linkUnnamed();
    // Notes why the write failed and answers false.
    bool refuse(std::string reason);
    // Closes the temporary file's descriptor, which lets go of its lock.
    void release();

    std::string target;       // the file named by the user, symbolic links followed
    std::string linkRefusal;  // why a link on the way may not be followed, when it may not
    Temporary kind;
    std::string temporary;  // the temporary file's name while it has one
    int held = -1;          // the temporary file, locked while this writer lives
    bool unnamed = false;   // the temporary file has no name (yet)
    std::ofstream out;
    bool opened = false;
    std::string refusalText;
};
