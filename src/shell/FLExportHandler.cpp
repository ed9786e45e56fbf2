// The F-Logic export: every object's class lines and the frame of its exported entries.
#include "shell/FLExportHandler.h"

#include "access/ExportRequest.h"
#include "access/OMAccess.h"
#include "objectbase/CellHash.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/OM.h"
#include "shell/FLDumpFormatter.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

}  // namespace

FLExportHandler::FLExportHandler(OMAccess* access)
    : ExportHandler(access, Ref<FLDumpFormatter>::make(access->om())) {}

bool FLExportHandler::isA(const std::string& className) const {
    return className == "FLExportHandler" || ExportHandler::isA(className);
}

void FLExportHandler::writeHeader(ExportRequest& /*request*/) {}

void FLExportHandler::writeTrailer(ExportRequest& /*request*/) {}

void FLExportHandler::writeBody(ExportRequest& request) {
    const auto names = Ref<Iterator>::adopt(access->objNamesIterator(nullptr));
    for (bool more = names != nullptr && names->first(); more && !stopped(); more = names->next()) {
        const InternalName object = names->atColumn(1);
        if (object == builtinObject::String || object == builtinObject::Numeric) continue;
        writeObject(object, request.format);
    }
}

std::size_t FLExportHandler::ClassesHash::operator()(
    const std::vector<InternalName>& classes) const {
    return hashCells(classes.data(), classes.size());
}

bool FLExportHandler::exported(const InternalName& object, int classes, const InternalName& method,
                               int argCount, int type, std::int32_t format) {
    if (format == 3) return type >= 6 && type <= 8;
    if (format != 1 || type < 0 || type > 2) return false;
    for (const Declared& known : declared[std::size_t(classes)])
        if (known.method == method && known.argCount == argCount && known.type == type)
            return known.answer;
    // The lookup answers an iterator only when it stands on a row: asking it for its first row
    // again walked the signature once more.
    const bool answer = Ref<Iterator>::adopt(access->lookupSignatureViaClasses(
                            object, method, argCount, type)) != nullptr;
    declared[std::size_t(classes)].push_back({method, argCount, type, answer});
    return answer;
}

void FLExportHandler::writeObject(const InternalName& object, std::int32_t format) {
    OM* om = access->om();
    const MainMemObjFrame* frame = om != nullptr ? om->getObjFrame(object) : nullptr;
    // The signatures alone are written for an object with a signature of its own ("=>", "=>>"
    // or "@=>>" entries in its frame). A class whose only signatures are "@=>>" ones has
    // signatures of its own too: without it such a class and the "@->>" values it declares
    // would vanish from the round trip.
    if (format == 3) {
        bool own = false;
        if (frame != nullptr)
            frame->forEachEntry([&](const MethodKey& key, const InternalName& value) {
                own = own || (key.methodType >= 6 && key.methodType <= 8);
            });
        if (!own) return;
    }
    bool classLines = false;
    for (int kind : {2, 1}) {
        std::vector<InternalName>& classes = kind == 2 ? superclasses : memberOf;
        access->signatureClassesOf(object, kind, classes);
        for (const InternalName& cls : classes) {
            if (kind == 2)
                formatter->writeSubclass(object, cls);
            else
                formatter->writeIsa(object, cls);
            classLines = true;
        }
    }
    auto known = classSets.find(memberOf);
    if (known == classSets.end()) {
        known = classSets.emplace(memberOf, static_cast<int>(classSets.size())).first;
        declared.emplace_back();
    }
    const int classSet = known->second;
    auto* text = static_cast<FLDumpFormatter*>(formatter.get());
    int written = 0;
    // The object's own entries, read in place from its frame.
    if (frame != nullptr)
        frame->forEachEntry([&](const MethodKey& key, const InternalName& value) {
            const int type = key.methodType;
            if (type < 0 || type > 8) return;
            if (!exported(object, classSet, key.method, key.argCount, type, format)) return;
            if (written++ == 0)
                text->openFrame(object, Free, 0);
            else
                text->methodSeparator();
            om->showEntry(key.method, value, type);
        });
    if (written > 0) {
        text->frameEnd();
        text->newLine();
    } else if (classLines) {
        text->newLine();
    }
}
