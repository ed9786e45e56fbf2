// DebugFileOutput: debugChannel pointed at a file for one save or export, and the document-type
// lookup that the XML writers share.
#pragma once

#include <memory>
#include <string>

#include "foundation/Error.h"
#include "foundation/FLSysOStream.h"
#include "platform/FileReplacement.h"

class OM;

// A file that cannot be made (a missing folder, a folder's name) or whose stream fails while it
// is written would lose the text while the command answered success, so both are reported. The
// text replaces the old file only once it is written whole (FileReplacement).
class DebugFileOutput {
  public:
    // `place` names the writer in the report.
    DebugFileOutput(const std::string& fileName, const std::string& place);
    // Puts the channel back when `finish` was not called; the old file stays.
    ~DebugFileOutput();
    DebugFileOutput(const DebugFileOutput&) = delete;
    DebugFileOutput& operator=(const DebugFileOutput&) = delete;

    // Reports "Cant Write file" and answers false when the file exists without write permission.
    bool writable() const;
    // Reports "Cant Write file" (with the reason of a refusal) and answers false when the file
    // is not writable or cannot be opened; otherwise debugChannel writes into it until `finish`.
    bool open();
    // Puts the channel back and puts the file in place; a write that failed meanwhile is
    // reported and leaves the old file.
    void finish();

    // The error of a file that cannot be written, with why when that is not plain.
    static Error cantWriteFile(const std::string& fileName, const std::string& place,
                               const std::string& reason = "");

  private:
    // debugChannel back to what it wrote to before open.
    void restoreChannel();

    std::string fileName;
    std::string place;
    std::unique_ptr<FileReplacement> file;
    FLSysOStream* stream = nullptr;
    bool hadStream = false;
};

// The external identifier of an XML document type: the "public" value of the document type's
// string object (idKind "PUBLIC"), else its "system" value (idKind "SYSTEM"); idValue is its
// lexical form. Nothing is made for a name the base does not hold.
void documentTypeId(OM& om, const std::string& docType, std::string& idKind, std::string& idValue);
