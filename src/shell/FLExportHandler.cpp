// The F-Logic export: every object's class lines and the frame of its exported entries.
#include "shell/FLExportHandler.h"

#include <cstdint>

#include "access/ExportRequest.h"
#include "access/OMAccess.h"
#include "objectbase/CellHash.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "objectbase/ParamRows.h"
#include "platform/ControlEvents.h"
#include "shell/FLDumpFormatter.h"

namespace {

// A method made for a path reads back only in parentheses.
std::string asMethodText(std::string text) {
    for (char c : text)
        if (c == '.' || c == '!') return "(" + text + ")";
    return text;
}

}  // namespace

FLExportHandler::FLExportHandler(OMAccess* access)
    : ExportHandler(access, Ref<FLDumpFormatter>::make(access->om())), forms(access->om()) {}

bool FLExportHandler::isA(const std::string& className) const {
    return className == "FLExportHandler" || ExportHandler::isA(className);
}

void FLExportHandler::writeHeader(ExportRequest& /*request*/) {}

void FLExportHandler::writeTrailer(ExportRequest& /*request*/) {}

void FLExportHandler::writeBody(ExportRequest& request) {
    // The signatures alone are written for the objects with signatures of their own, which the
    // export's signature walk has found already: the base is not walked a second time.
    const std::vector<InternalName>* hosts =
        request.format == 3 ? access->signatureWalkHosts() : nullptr;
    if (hosts != nullptr) {
        for (const InternalName& object : *hosts) {
            if (stopped()) break;
            if (object == builtinObject::String || object == builtinObject::Numeric) continue;
            writeObject(object, request.format);
        }
        return;
    }
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

int FLExportHandler::classSetOf(const std::vector<InternalName>& classes) {
    // Most objects are of one class that takes part: found by that class alone.
    if (classes.size() == 1) {
        const int known = singleClassSets.valueOr(classes[0], -1);
        if (known >= 0) return known;
    }
    auto known = classSets.find(classes);
    if (known == classSets.end()) {
        known = classSets.emplace(classes, static_cast<int>(classSets.size())).first;
        declared.emplace_back();
    }
    if (classes.size() == 1) singleClassSets.emplace(classes[0], known->second);
    return known->second;
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

const std::string& FLExportHandler::arrow(int type) {
    if (arrowsFrom != formatter.get()) {
        arrows.clear();
        for (int each = 0; each <= 8; ++each) arrows.push_back(formatter->arrowText(each));
        arrowsFrom = formatter.get();
    }
    return arrows[std::size_t(type)];
}

const std::string& FLExportHandler::methodHead(const InternalName& method, int type) {
    const bool at = type == 2 || type == 5 || type == 8;
    // The objects of a base mostly have the same few methods: the place of a method is found
    // in a small table by its number before the map is searched.
    RecentHead& recent = recentHeads[std::size_t(method.getValue()) % recentHeads.size()];
    if (recent.method == method && recent.place != UINT32_MAX)
        return heads[recent.place + (at ? 0 : 1)];
    std::size_t place = headAt.valueOr(method, UINT32_MAX);
    if (place == UINT32_MAX) {
        place = heads.size();
        headAt.emplace(method, static_cast<std::uint32_t>(place));
        FLText form;
        forms.append(method, form);
        std::string plain(form.view());
        heads.push_back(asMethodText("@" + plain));
        heads.push_back(asMethodText(std::move(plain)));
    }
    recent = {method, static_cast<std::uint32_t>(place)};
    return heads[place + (at ? 0 : 1)];
}

void FLExportHandler::writeValue(FLText& out, const InternalName& value, bool signature) {
    if (value.getType() != InternalName::SetName) {
        forms.append(value, out);
        return;
    }
    out.put(signature ? '(' : '{');
    // The members in ascending order, read in place: nothing changes them while the export runs.
    if (const SetFrameView set = access->om()->setFrameOf(value)) {
        bool first = true;
        controlEvents::StopPoll stop;
        for (const InternalName& member : set.memberSet().ascending()) {
            if (stop.stop()) break;
            if (!first) out.put(",\n    ");
            first = false;
            forms.append(member, out);
        }
    }
    out.put(signature ? ')' : '}');
}

void FLExportHandler::writeEntry(FLText& out, const InternalName& method, const InternalName& value,
                                 int type) {
    const std::string& head = methodHead(method, type);
    const bool signature = type >= 6 && type <= 8;
    if (value.getType() != InternalName::ParamFrame) {
        out.put(head);
        out.put(arrow(type));
        writeValue(out, value, signature);
        return;
    }
    const ParamFrameView params = access->om()->paramFrameOf(value);
    if (!params) return;
    // The rows in ascending order, read in place: nothing changes them while the export runs.
    const ParamRows& rows = params.storedRows();
    const int width = rows.width();
    ParamRows::Cursor cursor;
    bool first = true;
    for (const InternalName* row = rows.first(cursor); row != nullptr;
         row = rows.next(cursor, row)) {
        if (!first) out.put(";\n  ");
        first = false;
        out.put(head);
        out.put("@(");
        for (int col = 1; col < width; ++col) {
            if (col > 1) out.put(',');
            forms.append(row[col - 1], out);
        }
        out.put(')');
        out.put(arrow(type));
        writeValue(out, row[width - 1], signature);
    }
}

void FLExportHandler::writeObject(const InternalName& object, std::int32_t format) {
    OM* om = access->om();
    const ObjectFrameView frame = om != nullptr ? om->objectFrameOf(object) : ObjectFrameView();
    // The signatures alone are written for an object with a signature of its own ("=>", "=>>"
    // or "@=>>" entries in its frame). A class whose only signatures are "@=>>" ones has
    // signatures of its own too: without it such a class and the "@->>" values it declares
    // would vanish from the round trip.
    if (format == 3) {
        bool own = false;
        if (frame)
            frame.forEachEntry([&](const MethodKey& key, const InternalName&) {
                own = own || (key.methodType >= 6 && key.methodType <= 8);
            });
        if (!own) return;
    }
    auto* text = static_cast<FLDumpFormatter*>(formatter.get());
    FLText& out = frameText;
    out.clear();
    bool classLines = false;
    for (int kind : {2, 1}) {
        std::vector<InternalName>& classes = kind == 2 ? superclasses : memberOf;
        access->signatureClassesOf(object, kind, classes);
        for (const InternalName& cls : classes) {
            forms.append(object, out);
            if (kind == 2)
                out.put(" :: ");
            else
                out.put(" : ");
            forms.append(cls, out);
            out.put(".\n");
            classLines = true;
        }
    }
    const int classSet = classSetOf(memberOf);
    int written = 0;
    // The object's own entries, read in place from its frame.
    if (frame)
        frame.forEachEntry([&](const MethodKey& key, const InternalName& value) {
            const int type = key.methodType;
            if (type < 0 || type > 8) return;
            if (!exported(object, classSet, key.method, key.argCount, type, format)) return;
            if (written++ == 0) {
                forms.append(object, out);
                out.put(" [");
            } else {
                out.put(";\n  ");
            }
            writeEntry(out, key.method, value, type);
        });
    if (written > 0)
        out.put("].\n\n");
    else if (classLines)
        out.put('\n');
    text->pending().append(out.view());
    text->handOn(true);
}
