// FileReplacement: a file written for the user whose new content replaces the old one only when
// it was written whole.
#pragma once

#include <fstream>
#include <string>

// The new content goes to a temporary file in the target's folder, which is renamed over the
// target once it is flushed and closed without error. A full disk, a write error or a writer
// that dies on the way thus leaves the old file as it was; a failed write removes the temporary
// file. A target that is there but is no regular file (a device such as /dev/null or /dev/full,
// a pipe) is written directly, and so is a file whose folder takes no new file: there is nothing
// to rename over, and the write is still checked. A symbolic link keeps pointing at the file it
// names, which is the one replaced.
class FileReplacement {
  public:
    explicit FileReplacement(std::string target);
    // Abandons the write when it was not committed.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Opens the stream the content is written to; false when no file can be made or the target
    // is there without write permission.
    bool open();
    // The stream of the new content; valid after a successful open until commit or abandon.
    std::ofstream& stream() { return out; }
    // Flushes and closes the stream and puts the content in place. False when anything failed:
    // the target is then unchanged (a device or pipe may have taken part of the content).
    bool commit();
    // Closes the stream and removes the temporary file; the target stays as it was.
    void abandon();

  private:
    std::string target;     // the file named by the user, symbolic links followed
    std::string temporary;  // empty when the target is written directly
    std::ofstream out;
    bool opened = false;
};
