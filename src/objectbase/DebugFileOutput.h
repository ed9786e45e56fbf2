// DebugFileOutput: debugChannel pointed at a file, or at its own stream through a block buffer,
// for one save, dump or export; and the document-type lookup that the XML writers share.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "foundation/Error.h"
#include "foundation/FLSysOStream.h"
#include "platform/BlockWriter.h"
#include "platform/FileReplacement.h"

class OM;

// A file that cannot be made (a missing folder, a folder's name) or whose stream fails while it
// is written would lose the text while the command answered success, so both are reported. The
// text replaces the old file only once it is written whole (FileReplacement). Every write goes
// through one BlockWriter, which gathers the text in large blocks and stops taking it at Ctrl-C
// or a farewell; a write stopped so leaves the old file as it was and, for Ctrl-C, says so.
class DebugFileOutput {
  public:
    // `place` names the writer in the report, `work` what is cut short ("export", "save" or
    // "dump") in the line that tells of Ctrl-C.
    DebugFileOutput(const std::string& fileName, const std::string& place,
                    const std::string& work = "export");
    // Puts the channel back when `finish` was not called; the old file stays.
    ~DebugFileOutput();
    DebugFileOutput(const DebugFileOutput&) = delete;
    DebugFileOutput& operator=(const DebugFileOutput&) = delete;

    // Reports "Cant Write file" with the reason and answers false when the file exists without
    // write permission.
    bool writable() const;
    // Reports "Cant Write file" (with the reason of a refusal) and answers false when the file
    // is not writable or cannot be opened; otherwise debugChannel writes into it until `finish`.
    bool open();
    // Without a file: debugChannel writes to the stream it has now, through the block buffer,
    // until `finish`. Does nothing when that stream wraps no standard stream.
    void buffer();
    // True once a stop request (Ctrl-C or a farewell) ended the writing.
    bool stopped() const { return writer != nullptr && writer->stopped(); }
    // Puts the channel back and puts the text in place. A write that failed meanwhile is
    // reported and leaves the old file; one stopped by Ctrl-C or a farewell leaves it too, and
    // after Ctrl-C a line on debugChannel tells that the work was cancelled, the interrupt is
    // lowered, the failure is counted for the command (ErrorWatch), and the session goes on.
    void finish();

    // The error of a file that cannot be written, with why when that is not plain.
    static Error cantWriteFile(const std::string& fileName, const std::string& place,
                               const std::string& reason = "");
    // How many writes into a file failed so far in the run (see FailedWriteWatch).
    static unsigned long failedWrites() { return failures; }

  private:
    // Puts the block buffer between debugChannel and `target`.
    void redirect(std::streambuf* target);
    // debugChannel back to what it wrote to before.
    void restoreChannel();
    // Reports cantWriteFile for this write, and counts it.
    void reportFailure(const std::string& reason) const;
    static inline unsigned long failures = 0;

    std::string fileName;
    std::string place;
    std::string work;
    std::unique_ptr<FileReplacement> file;
    std::unique_ptr<BlockWriter> writer;
    std::unique_ptr<std::ostream> text;
    Ref<FLSysOStream> stream;
    bool hadStream = false;
};

// Tells whether a save, dump or export into a file failed while it lived. Work that writes
// files on its way without answering for each one (an evaluation whose rule heads export nodes)
// fails its command when one did, as the command that writes a file fails when its write does.
class FailedWriteWatch {
  public:
    FailedWriteWatch() : before(DebugFileOutput::failedWrites()) {}
    bool failed() const { return DebugFileOutput::failedWrites() != before; }

  private:
    unsigned long before;
};

// The external identifier of an XML document type: the "public" value of the document type's
// string object (idKind "PUBLIC"), else its "system" value (idKind "SYSTEM"); idValue is its
// lexical form. Nothing is made for a name the base does not hold.
void documentTypeId(OM& om, const std::string& docType, std::string& idKind, std::string& idValue);
