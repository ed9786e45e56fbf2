// FLExportHandler: the export of the object base as F-Logic facts and frames (format 1) or its
// signatures only (format 3).
#pragma once

#include <cstddef>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "access/ExportHandler.h"
#include "objectbase/InternalName.h"
#include "objectbase/Iterator.h"
#include "objectbase/MethodType.h"

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
    std::vector<std::vector<Declared>> declared;
    // The superclasses and classes of the object written, kept for their room.
    std::vector<InternalName> superclasses;
    std::vector<InternalName> memberOf;
};
