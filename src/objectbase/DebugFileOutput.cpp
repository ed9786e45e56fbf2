// debugChannel redirected into a file, or through a block buffer onto its own stream, for one
// save, dump or export; the document-type lookup.
#include "objectbase/DebugFileOutput.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/OM.h"
#include "objectbase/SymTab.h"
#include "platform/ControlEvents.h"

DebugFileOutput::DebugFileOutput(const std::string& fileName, const std::string& place,
                                 const std::string& work)
    : fileName(fileName), place(place), work(work) {}

DebugFileOutput::~DebugFileOutput() {
    // A write that was not finished is abandoned: the old file stays.
    if (stream != nullptr) restoreChannel();
}

Error DebugFileOutput::cantWriteFile(const std::string& fileName, const std::string& place,
                                     const std::string& reason) {
    return Error(5, 20, 2, "Cant Write file",
                 "Can't write to " + fileName + (reason.empty() ? "" : ": " + reason), place, "");
}

void DebugFileOutput::reportFailure(const std::string& reason) const {
    ++failures;
    centralErrorHandler().report(cantWriteFile(fileName, place, reason));
}

bool DebugFileOutput::writable() const {
    if (access(fileName.c_str(), F_OK) == 0 && access(fileName.c_str(), W_OK) != 0) {
        reportFailure(std::strerror(errno));
        return false;
    }
    return true;
}

bool DebugFileOutput::open() {
    if (!writable()) return false;
    file = std::make_unique<FileReplacement>(fileName);
    if (!file->open()) {
        const std::string reason = file->refusal();
        file.reset();
        reportFailure(reason);
        return false;
    }
    redirect(file->stream().rdbuf());
    return true;
}

void DebugFileOutput::buffer() {
    FLSysOStream* current = debugChannel().currentStream();
    std::ostream* target = current != nullptr ? current->stream() : nullptr;
    if (target == nullptr || stream != nullptr) return;
    // What the stream holds already goes first.
    target->flush();
    redirect(target->rdbuf());
}

void DebugFileOutput::redirect(std::streambuf* target) {
    writer = std::make_unique<BlockWriter>(target);
    text = std::make_unique<std::ostream>(writer.get());
    stream = Ref<FLSysOStreamImpl<std::ostream>>::make(text.get());
    OutputChannel& channel = debugChannel();
    hadStream = channel.currentStream() != nullptr;
    channel.setStream(stream.get());
}

void DebugFileOutput::finish() {
    if (stream == nullptr) return;
    errno = 0;
    const bool handedOn = writer->finish();
    const int handOnFailure = errno;
    restoreChannel();
    if (writer->stopped()) {
        // The old file stays as it was; a farewell says nothing more, it ends the program.
        file.reset();
        if (controlEvents::farewellPending()) return;
        debugChannel() << work << " cancelled"
                       << (fileName.empty() ? "" : ": " + fileName + " is left as it was")
                       << std::endl;
        controlEvents::clearInterrupt();
        // The work was not done: its command fails, as after a failed write.
        centralErrorHandler().countFailure();
        return;
    }
    if (!file) return;
    // Text the file refused (a full disk) never reaches the target: the write is abandoned.
    if (!handedOn) {
        file.reset();
        reportFailure(handOnFailure != 0 ? std::strerror(handOnFailure)
                                         : "the text could not be written");
        return;
    }
    const bool written = file->commit();
    const std::string reason = file->refusal();
    file.reset();
    if (!written) reportFailure(reason);
}

void DebugFileOutput::restoreChannel() {
    OutputChannel& channel = debugChannel();
    if (hadStream) {
        channel.resetStream();
    } else {
        channel.releaseStreams();
    }
    stream.reset();
}

namespace {

// The value of the scalar method named `methodText` (no arguments) of an object.
bool namedValue(OM& om, const InternalName& host, const char* methodText, InternalName& value) {
    InternalName method;
    FSymbol symbol = om.giveSymTab()->GetFSymbol(methodText, InternalName::Function, 0);
    if (om.giveInternalName(symbol, method) == 0) return false;
    return om.lookupMethodValue(host, method, nullptr, 0, 0, value) != 0;
}

}  // namespace

void documentTypeId(OM& om, const std::string& docType, std::string& idKind, std::string& idValue) {
    InternalName doc;
    FSymbol symbol = om.giveSymTab()->GetFSymbol("\"" + docType + "\"", InternalName::String, 0);
    if (om.giveInternalName(symbol, doc) == 0) return;
    InternalName value;
    idKind = "PUBLIC";
    bool found = namedValue(om, doc, "public", value);
    if (!found) {
        idKind = "SYSTEM";
        found = namedValue(om, doc, "system", value);
    }
    if (found) om.giveLexicalForm(value, idValue, 1);
}
