// The triggers of the Web access layer: which insertions ask for a document, the requests they
// make, and the load of one document from the fetch to the import.
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "objectbase/Iterator.h"
#include "xml/LeftoverFiles.h"
#include "xml/NsgmlHandler.h"
#include "xml/WebOMAccess.h"

namespace {

bool referencesOrNil(const InternalName& name) {
    return name == builtinObject::References || name == builtinObject::Nil;
}

bool orderingOrNil(const InternalName& name) {
    return name == builtinObject::Ordering || name == builtinObject::Nil;
}

}  // namespace

bool WebOMAccess::requestFor(const InternalName& method, const InternalName* args, int argCount,
                             ParseRequest& request) {
    request = ParseRequest{};
    request.kind = 0;
    if (method == builtinObject::Get) return argCount == 0;
    if (method != builtinObject::Parse0) return false;
    switch (argCount) {
        case 0:
            request.kind = 3;
            request.references = 1;
            return true;
        case 1:
            request.kind = 1;
            return args[0] == builtinObject::Prolog;
        case 2:
            request.kind = 2;
            request.dtdObject = args[1];
            return args[0] == builtinObject::Dtd;
        case 3:
            request.kind = 4;
            request.references = args[1] == builtinObject::References ? 1 : 0;
            request.ordering = 1;
            request.dtdObject = args[2];
            return args[0] == builtinObject::Sgml && referencesOrNil(args[1]);
        case 5:
            request.kind = 5;
            request.references = args[1] == builtinObject::References ? 1 : 0;
            request.xml = 1;
            request.ordering = args[2] == builtinObject::Ordering ? 1 : 0;
            request.dtdDemand = args[3];
            request.dtdObject = args[4];
            return args[0] == builtinObject::Xml && referencesOrNil(args[1]) &&
                   orderingOrNil(args[2]);
        default:
            return false;
    }
}

int WebOMAccess::isWebAttribute(const InternalName& host, const InternalName& method,
                                const InternalName* args, int argCount, int /*type*/,
                                const InternalName& value) {
    // Only get asks whether the host is a URL; for parse the load refuses hosts that are no
    // strings.
    if (method == builtinObject::Get && isaTest(host, builtinObject::Url, IsaRelation::Member) == 0)
        return 0;
    ParseRequest request;
    if (!requestFor(method, args, argCount, request)) return 0;
    return lazyAccess(host, method, args, argCount, value);
}

int WebOMAccess::lazyAccess(const InternalName& host, const InternalName& method,
                            const InternalName* args, int argCount, const InternalName& value) {
    ParseRequest request;
    if (!requestFor(method, args, argCount, request)) return 0;
    return loadDocument(host, request, value);
}

void WebOMAccess::materialize(const InternalName& object) {
    // The patterns get, parse, parse@(prolog), parse@(dtd, _), parse@(sgml, _, _) and
    // parse@(xml, _, _, _, _), each as host, method, arguments and a free value.
    const InternalName free = InternalName::UndefinedObject;
    const std::vector<std::vector<InternalName>> patterns{
        {object, builtinObject::Get, free},
        {object, builtinObject::Parse0, free},
        {object, builtinObject::Parse0, builtinObject::Prolog, free},
        {object, builtinObject::Parse0, builtinObject::Dtd, free, free},
        {object, builtinObject::Parse0, builtinObject::Sgml, free, free, free},
        {object, builtinObject::Parse0, builtinObject::Xml, free, free, free, free, free},
    };
    // Loading inserts facts: every row is taken before the first load.
    std::vector<std::vector<InternalName>> rows;
    for (const std::vector<InternalName>& pattern : patterns) {
        const int width = static_cast<int>(pattern.size());
        const auto found =
            Ref<Iterator>::adopt(lookup(MethodType::Scalar, pattern.data(), width, nullptr));
        if (!found) continue;
        for (bool more = found->first(); more; more = found->next()) {
            std::vector<InternalName> row;
            for (int column = 1; column <= width; ++column) row.push_back(found->atColumn(column));
            rows.push_back(std::move(row));
        }
    }
    for (const std::vector<InternalName>& row : rows) {
        const int argCount = static_cast<int>(row.size()) - 3;
        lazyAccess(object, row[1], argCount > 0 ? row.data() + 2 : nullptr, argCount, row.back());
    }
}

int WebOMAccess::loadDocument(const InternalName& url, const ParseRequest& request,
                              const InternalName& document) {
    ++hierarchyChanges;
    FetchRecord record;
    record.fileName = tmpDir + ".wd" + procTag + std::to_string(fetchCounter);
    if (documentFiles.lookup(document) != nullptr) return 0;
    ++fetchCounter;
    if (url.getType() != InternalName::String) return 1;
    FSymbol symbol;
    if (giveSymbol(url, symbol) == 0) return 0;
    if (accessWeb(symbol, record) == 0) return 0;
    // A load that the import below starts fetches another URL: the parts of this one are kept.
    const UrlParts parts = fetcher.currentUrl();
    documentFiles.insert(document, record.fileName);
    leftoverFiles::remember(record.fileName);

    // The header first: an error status of the server is one of the record's problems.
    if (record.length > 0 && record.scheme != "file:") readHttpHeader(record);
    if (!record.errors.empty()) {
        insertErrors(document, record);
        std::remove(record.fileName.c_str());
        if (webTracing() != 0) debugChannel() << " done ";
        return 1;
    }
    describeDocument(url, document, record);
    importDocument(document, record.fileName, request, parts);
    if (webTracing() != 0) debugChannel() << " done " << std::endl;
    return 1;
}

void WebOMAccess::importDocument(const InternalName& document, const std::string& fileName,
                                 const ParseRequest& request, const UrlParts& parts) {
    classify(document, request.kind);
    if (request.kind == 2) {
        // Messages name the DTD by its address, never by the temporary copy.
        mapDTD(document, fileName, request.dtdObject, parts.scheme + parts.host + parts.path);
    } else {
        nsgmlHandler->parseWebdoc(document, fileName, request, rootFlag, parts.scheme, parts.host,
                                  parts.path);
    }
}

void WebOMAccess::insertErrors(const InternalName& document, const FetchRecord& record) {
    for (const std::string& message : record.errors) {
        InternalName text;
        nameFromString(text, message, InternalName::String);
        insertValue(document, names.error, nullptr, 0, MethodType::Set, text);
    }
}

void WebOMAccess::describeDocument(const InternalName& url, const InternalName& document,
                                   const FetchRecord& record) {
    // A relative file name lies in the working folder; an absolute one stands as it is.
    const std::string path = !record.fileName.empty() && record.fileName[0] == '/'
                                 ? record.fileName
                                 : workingDir + "/" + record.fileName;
    insertValue(document, builtinObject::Url, nullptr, 0, MethodType::Scalar, url);
    insertValue(document, names.modif, nullptr, 0, MethodType::Scalar, quoted(record.modif));
    insertValue(document, names.length, nullptr, 0, MethodType::Scalar,
                InternalName(record.length, InternalName::Integer, 0));
    insertValue(document, names.type, nullptr, 0, MethodType::Scalar, quoted(record.type));
    insertValue(document, names.file, nullptr, 0, MethodType::Scalar, quoted("\"" + path + "\""));
}

void WebOMAccess::classify(const InternalName& document, int kind) {
    switch (kind) {
        case 0:
        case 1:
            insertClassRelation(document, names.webdoc, IsaRelation::Member);
            break;
        case 2:
            insertClassRelation(document, names.dtddoc, IsaRelation::Member);
            insertClassRelation(names.dtddoc, names.webdoc, IsaRelation::Subclass);
            break;
        case 3:
        case 4:
            insertClassRelation(document, names.sgmldoc, IsaRelation::Member);
            insertClassRelation(names.sgmldoc, names.webdoc, IsaRelation::Subclass);
            break;
        default:
            insertClassRelation(document, names.xmldoc, IsaRelation::Member);
            insertClassRelation(names.xmldoc, names.webdoc, IsaRelation::Subclass);
            break;
    }
}

InternalName WebOMAccess::quoted(const std::string& text) {
    InternalName out;
    return nameFromString(out, text, InternalName::String);
}
