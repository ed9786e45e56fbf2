// DumpWriter, the part of the main-memory object base that writes it out (dumps, saved files,
// single frames and entries) through a dump formatter, and DumpSource, what it reads of the base.
#pragma once

#include <string>
#include <vector>

#include "foundation/ManagedObject.h"
#include "objectbase/DumpFormatterFactory.h"
#include "objectbase/FrameManager.h"
#include "objectbase/InternalName.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemFrames.h"

class DumpFormatter;
class OM;
class OutputChannel;
class PrintedForms;

// The frames of a base by name and the names of each kind of frame in order, with no way to
// change them; and the base's interface, through which formatters and document heads print names.
class DumpSource {
  public:
    DumpSource(FrameManager& frames, OM& base) : frames(frames), om(base) {}

    // No frame of any kind is registered.
    bool empty() const { return frames.hasFrames() == 0; }
    Ref<Iterator> objectNames() const { return Ref<Iterator>::adopt(frames.objNames(nullptr)); }
    Ref<Iterator> setNames() const { return Ref<Iterator>::adopt(frames.setNames(nullptr)); }
    Ref<Iterator> paramNames() const { return Ref<Iterator>::adopt(frames.paramNames(nullptr)); }
    Ref<Iterator> predicateNames() const { return Ref<Iterator>::adopt(frames.predNames(nullptr)); }
    // The frame of the name, or null.
    MainMemObjFrame* objectFrame(const InternalName& name) const {
        MainMemObjFrame* frame = nullptr;
        frames.getObjFrame(name, frame);
        return frame;
    }
    MainMemSetFrame* setFrame(const InternalName& name) const {
        MainMemSetFrame* frame = nullptr;
        frames.getSetFrame(name, frame);
        return frame;
    }
    MainMemPredFrame* predicateFrame(const InternalName& name) const {
        MainMemPredFrame* frame = nullptr;
        frames.getPredFrame(name, frame);
        return frame;
    }
    MainMemParamFrame* paramFrame(const InternalName& name) const {
        MainMemParamFrame* frame = nullptr;
        frames.getParamFrame(name, frame);
        return frame;
    }
    OM& base() const { return om; }

  private:
    FrameManager& frames;
    OM& om;
};

// Writes the base in a format: 0 a debug listing of every frame, 1 F-Logic, 2 XML. Every piece
// goes through the dump target, a formatter that writes on debugChannel: one registered from
// outside (an export's) while there is one, else one made for the write from the formatter
// makers the base was given. A whole dump or save keeps the printed forms of names meanwhile,
// so that each is made once.
class DumpWriter {
  public:
    DumpWriter(const DumpSource& source, PrintedForms& forms) : source(source), forms(forms) {}
    DumpWriter(const DumpWriter&) = delete;
    DumpWriter& operator=(const DumpWriter&) = delete;

    // The whole base on the debug channel (or the file the channel is bound to).
    void dump(int format);
    // The whole base into a file (replaced); docTypeName names the XML document type.
    void saveAs(int format, const std::string& fileName, const std::string& docTypeName);
    // rootName, idKind ("PUBLIC", "SYSTEM" or empty) and idValue head an XML document.
    void dumpWith(int format, const std::string& rootName, const std::string& idKind,
                  const std::string& idValue);

    // The pieces. One object frame: its superclasses, classes and entries.
    void formatObjFrame(const InternalName& object, MainMemObjFrame* frame);
    // One predicate frame, a row a fact.
    void formatPredFrame(const InternalName& predicate, MainMemPredFrame* frame);
    // One entry of method `method` holding `value`; the dump target decides the channel (the
    // formatters write on debugChannel).
    void formatMethodEntry(const InternalName& method, const InternalName& value,
                           OutputChannel& channel, int type);
    // Every member of a set, numbered from 1; the number written.
    int formatSetMembers(const InternalName& host, const InternalName& method,
                         const InternalName& setName);
    // The entry host.method of the type and argument count, when the host's frame has one.
    void showValue(const InternalName& host, const InternalName& method, int type, int argCount);

    // The formatter pieces are written through, or null.
    DumpFormatter* target() const { return dumpTarget; }
    DumpFormatter* setTarget(DumpFormatter* target) { return dumpTarget = target; }
    // The makers of the formatters dumps write through. Without a maker for a format a dump in
    // it writes nothing.
    void useFormatters(const DumpFormatterFactory& table) { formatters = table; }
    // A new formatter of the format for this base, or null.
    DumpFormatter* makeFormatter(int format) const;

  private:
    // Every object frame (but those of string and numeric), then every predicate frame.
    void dumpFrames();
    void dumpDebug();
    // The value part of one entry (or of one argument row): a set between brackets or one value.
    void writeEntryValue(DumpFormatter* target, const InternalName& method,
                         const std::string& methodText, const std::string& restText,
                         const InternalName& value, int type);

    DumpSource source;
    PrintedForms& forms;
    DumpFormatter* dumpTarget = nullptr;
    DumpFormatterFactory formatters;
    // An entry of an object frame whose writing waits until the frame's other entries are
    // written (formatObjFrame).
    struct DumpEntry {
        InternalName method;
        InternalName value;
        int type = 0;
    };
    std::vector<DumpEntry> dumpLast;
};
