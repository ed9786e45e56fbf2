// The XML access layer as a shell object and a Web layer: its shell method, names, Kavum
// exports, the triggers that load XML documents and DTDs or export a node, link following, and
// the class object.
#include "xml/XMLOMAccess.h"

#include <iostream>
#include <utility>
#include <vector>

#include "access/ExportRequest.h"
#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "foundation/ShellCommands.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "objectbase/SymTab.h"
#include "shell/KavumExportHandler.h"
#include "shell/KavumFactsExportHandler.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

// What a link value's text stands for: '\'' for '"', and '\\' '"' for '"'.
std::string unescapeLink(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\'') {
            out += '"';
        } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '"') {
            out += '"';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string withoutEnds(const std::string& text) {
    return text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string();
}

}  // namespace

XMLOMAccess::XMLOMAccess(OM* om) : WebOMAccess(om) {}

FLSysRef XMLOMAccess::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<WebOMAccess>(*this, name, args);
}

const ShellCommands<XMLOMAccess>& XMLOMAccess::shellCommands() {
    // The XML layer has the Web layer's help.
    static const ShellCommands<XMLOMAccess> table{
        {},
        {{"setTransparentLinks", ShellArgs::Any,
          [](XMLOMAccess& self, FLSysArgs* args) -> FLSysRef {
              std::vector<std::string> texts;
              if (!stringArguments(args, texts) || texts.size() != 1) {
                  self.reportInvalidMethodArg("setTransparentLinks");
                  return nullptr;
              }
              self.followLinks = texts[0] == "true" ? 1 : 0;
              return FLSysRef::share(&self);
          }}},
        {}};
    return table;
}

void XMLOMAccess::print(OutputChannel& channel) const {
    channel << "aXMLOMAccess";
}

bool XMLOMAccess::isA(const std::string& className) const {
    return className == "XMLOMAccess" || WebOMAccess::isA(className);
}

bool XMLOMAccess::exportBase(int format, const std::string& fileName, const std::string& docType,
                             const std::string& externalId, const std::string& rootText) {
    if (format == 4 && !rootText.empty()) {
        // Only an element can be written back as a document; anything else would give an
        // empty or ill-formed file.
        InternalName root;
        internName(root, rootText, 1);
        InternalName label;
        if (parentMethod(label, root) == InternalName::UndefinedObject) {
            centralErrorHandler().report(
                Error(5, 21, 2, "Not an element",
                      "Can't export " + rootText + ": it is no element of a document",
                      "XMLOMAccess::exportBase", ""));
            return false;
        }
    }
    Ref<ExportHandler> handler;
    if (format == 2 || format == 4) {
        handler = Ref<KavumExportHandler>::make(this);
    } else if (format == 3) {
        handler = Ref<KavumFactsExportHandler>::make(this);
    } else {
        return WebOMAccess::exportBase(format, fileName, docType, externalId, rootText);
    }
    ExportRequest request;
    fillExportRequest(request, format, fileName, docType, externalId, rootText);
    handler->exportOM(request);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Triggers

int XMLOMAccess::isWebAttribute(const InternalName& host, const InternalName& method,
                                const InternalName* args, int argCount, int /*type*/,
                                const InternalName& value) {
    if (argCount == 2 && isaTest(host, builtinObject::Node, IsaRelation::Member) != 0 &&
        lexicalForm(method) == "export") {
        exportNode(host, args[0], args[1]);
    }
    if (argCount >= 1 && argCount <= 2 && method == builtinObject::Parse0 &&
        (args[0] == builtinObject::Dtd || args[0] == builtinObject::Xml) &&
        isaTest(host, builtinObject::Url, IsaRelation::Member) != 0) {
        return lazyAccess(host, method, args, argCount, value);
    }
    return 0;
}

void XMLOMAccess::exportNode(const InternalName& node, const InternalName& docType,
                             const InternalName& file) {
    ExportRequest request;
    request.format = 4;
    request.fileName = withoutEnds(lexicalForm(file));
    request.docType = lexicalForm(docType);
    request.root = node;
    Ref<KavumExportHandler>::make(this)->exportOM(request);
}

int XMLOMAccess::lazyAccess(const InternalName& host, const InternalName& /*method*/,
                            const InternalName* args, int argCount, const InternalName& document) {
    ParseRequest request;
    request.kind = 0;
    if (argCount < 1 || argCount > 2) return 0;
    if (argCount == 2) request.dtdObject = args[1];
    if (argCount == 1 && args[0] == builtinObject::Prolog) {
        request.kind = 1;
    } else if (args[0] == builtinObject::Xml) {
        request.kind = 6;
        request.references = 1;
        request.xml = 1;
        request.mapping = 1;
    } else if (args[0] == builtinObject::Dtd) {
        request.kind = 2;
    } else {
        return 0;
    }
    return loadDocument(host, request, document);
}

void XMLOMAccess::materialize(const InternalName& host) {
    const InternalName oneArgument[4] = {host, builtinObject::Parse0, Free, Free};
    const InternalName dtdTarget[5] = {host, builtinObject::Parse0, builtinObject::Dtd, Free, Free};
    // Loading inserts facts: every row is taken before the first load.
    std::vector<std::vector<InternalName>> requests;
    auto rows = Ref<Iterator>::adopt(lookup(MethodType::Scalar, oneArgument, 4, nullptr));
    for (bool more = rows != nullptr && rows->first(); more; more = rows->next()) {
        const InternalName argument = rows->atColumn(3);
        if (argument == builtinObject::Prolog || argument == builtinObject::Dtd ||
            argument == builtinObject::Xml) {
            requests.push_back({argument, rows->atColumn(4)});
        }
    }
    rows = Ref<Iterator>::adopt(lookup(MethodType::Scalar, dtdTarget, 5, nullptr));
    for (bool more = rows != nullptr && rows->first(); more; more = rows->next()) {
        requests.push_back({builtinObject::Dtd, rows->atColumn(4), rows->atColumn(5)});
    }
    rows.reset();
    for (const std::vector<InternalName>& request : requests) {
        const int argCount = static_cast<int>(request.size()) - 1;
        lazyAccess(host, builtinObject::Parse0, request.data(), argCount, request.back());
    }
}

void XMLOMAccess::importDocument(const InternalName& document, const std::string& fileName,
                                 const ParseRequest& request, const UrlParts& parts) {
    if (request.kind == 1 || request.kind == 2 || request.kind == 6)
        WebOMAccess::importDocument(document, fileName, request, parts);
}

// ---------------------------------------------------------------------------------------------
// Links

InternalName XMLOMAccess::documentRoot(const InternalName& document) {
    InternalName root = Free;
    const auto children =
        Ref<Iterator>::adopt(makeIsaIter(Free, document, IsaRelation::Child, nullptr));
    if (children && children->first()) root = children->atColumn(1);
    return root;
}

void XMLOMAccess::followLink(const InternalName& linkValue) {
    const std::string link = unescapeLink(withoutEnds(lexicalForm(linkValue)));
    const std::size_t hash = link.find('#');
    const std::string url = link.substr(0, hash);
    const std::string pointer = hash == std::string::npos ? "" : link.substr(hash + 1);
    std::cout << "parse:" << url << std::endl << "pointer:" << pointer << std::endl;

    InternalName address;
    normalizeUrl(address, url);
    insertClassRelation(address, builtinObject::Url, IsaRelation::Member);
    InternalName document = Free;
    insertXMLPath(address, builtinObject::Parse0, &builtinObject::Xml, 1, MethodType::Scalar,
                  Axis::None, document);
    const InternalName root = documentRoot(document);
    // A document that could not be loaded has no root: nothing to record.
    if (root != Free) {
        const InternalName pair[2] = {document, root};
        insertPredicate(giveSymTab()->GetFSymbol("root", InternalName::Predicate, 2), pair, 2);
    }
    const std::string query = "root(" + lexicalForm(document) + ",_X), _X" + pointer + "->C.";
    std::cout << "internal query: " << query << std::endl;
}

XMLOMAccessMeta::XMLOMAccessMeta(AxisIteratorFactory* axes, ExportHandlerFactory exports)
    : XMeta("XMLOMAccess"), axes(axes), exports(std::move(exports)) {}

FLSysRef XMLOMAccessMeta::createInstance(FLSysArgs* args) {
    FLSysObject* om = nullptr;
    if (!checkArgs1(args, "OM", om)) return nullptr;
    Ref<XMLOMAccess> made = Ref<XMLOMAccess>::make(static_cast<OM*>(om));
    made->useAxisIterators(axes);
    made->useExportHandlers(exports);
    return made;
}
