// FLExportHandler: the export of the object base as F-Logic facts and frames (format 1) or its
// signatures only (format 3).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "access/ExportHandler.h"
#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"
#include "objectbase/Iterator.h"
#include "objectbase/MethodType.h"
#include "shell/FLNameForms.h"
#include "shell/FLText.h"

class FLDumpFormatter;

// The text reads back through the F-Logic parser: class lines, then one frame per object.
class FLExportHandler : public ExportHandler {
  public:
    explicit FLExportHandler(OMAccess* access);

    bool isA(const std::string& className) const override;

    void writeBody(ExportRequest& request) override;
    void writeObject(const InternalName& object, std::int32_t format) override;
    void writeHeader(ExportRequest& request) override;
    void writeTrailer(ExportRequest& request) override;

  protected:
    ~FLExportHandler() override = default;

  private:
    // An object's lines are written here, in the text the formatter's operations give them, and
    // handed to the formatter at once: through its operations, each piece of each entry was a
    // call and a string of its own, and each name's form was made anew.
    // One entry: its method, its arrow and its value (one row of its arguments after another).
    void writeEntry(FLText& out, const InternalName& method, const InternalName& value, int type);
    // The value part: a set between brackets (parentheses for a signature) or one value.
    void writeValue(FLText& out, const InternalName& value, bool signature);
    // The method as it opens an entry of the type: after "@" for the "@" types, in parentheses
    // when it is a path.
    const std::string& methodHead(const InternalName& method, int type);
    // The arrow of each method type, as the formatter writes it.
    const std::string& arrow(int type);

    // Whether a row of the object's entries is written in the format; `classes` numbers the set
    // of the object's classes that take part in signatures.
    bool exported(const InternalName& object, int classes, const InternalName& method, int argCount,
                  int type, std::int32_t format);

    // Whether some class of an object declares a signature for an entry depends on the object's
    // classes that declare signatures, which are among those that take part in signatures: the
    // question is asked once for each set of such classes and entry, not once an object (it was
    // the most of the export's time). The answers of a set are few (one for each method its
    // objects have) and are searched in place.
    struct Declared {
        InternalName method;
        int argCount;
        int type;
        bool answer;
    };
    struct ClassesHash {
        std::size_t operator()(const std::vector<InternalName>& classes) const;
    };
    std::unordered_map<std::vector<InternalName>, int, ClassesHash> classSets;
    // The sets of one class, by that class.
    FlatNameMap<InternalName, int> singleClassSets;
    // The number of a set of classes, numbered as first met.
    int classSetOf(const std::vector<InternalName>& classes);
    std::vector<std::vector<Declared>> declared;
    // The superclasses and classes of the object written, kept for their room.
    std::vector<InternalName> superclasses;
    std::vector<InternalName> memberOf;
    // What the entries are written with, found once an export.
    FLNameForms forms;
    // The text of the object being written, handed to the formatter at once.
    FLText frameText;
    // The method heads by method: at headAt's place the "@" form, after it the plain one. The
    // last method seen at each of a few places by number answers first.
    FlatNameMap<InternalName, std::uint32_t> headAt;
    std::vector<std::string> heads;
    struct RecentHead {
        InternalName method;
        std::uint32_t place = UINT32_MAX;
    };
    std::array<RecentHead, 64> recentHeads{};
    // The arrows of the formatter they were asked of (a handler may replace its formatter).
    std::vector<std::string> arrows;
    const DumpFormatter* arrowsFrom = nullptr;
};
