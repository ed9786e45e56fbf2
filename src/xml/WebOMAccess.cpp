// The Web access layer as an access layer and a shell object: construction, the schema, the
// overridden insertions, clearing, the shell methods with their help, and the class object.
#include "xml/WebOMAccess.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "objectbase/FSymbol.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "xml/DTDParser.h"
#include "xml/HtmlExtractor.h"
#include "xml/LeftoverFiles.h"
#include "xml/NsgmlHandler.h"

namespace {

std::string currentDirectory() {
    std::vector<char> buffer(4096);
    if (getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
    const char* pwd = std::getenv("PWD");
    return pwd != nullptr ? pwd : "";
}

using Texts = std::vector<std::string>;

// A Web layer command taking `strings` string arguments: runs `run` with them and answers the
// layer, or reports the call and answers null when the arguments do not fit.
FLSysRef withStrings(WebOMAccess& access, const char* name, FLSysArgs* args, std::size_t strings,
                     void (*run)(WebOMAccess& access, const Texts& texts)) {
    Texts texts;
    if (!OMAccess::stringArguments(args, texts) || texts.size() != strings) {
        access.reportInvalidMethodArg(name);
        return nullptr;
    }
    run(access, texts);
    return FLSysRef::share(&access);
}

}  // namespace

WebOMAccess::WebOMAccess(OM* om)
    : OMAccess(om),
      fetcher(*this),
      procTag("_" + std::to_string(getpid()) + "_"),
      workingDir(currentDirectory()) {
    declareSchema();
}

WebOMAccess::~WebOMAccess() {
    removeTempFiles();
    nsgmlHandler.reset();
    dtdParser.reset();
}

void WebOMAccess::declareSchema() {
    // The predefined objects 10 to 48 stand for the built-in symbols 1 to 40 but "cons".
    for (int id = 1; id <= builtinSymbol::Count; ++id) {
        const InternalName object = builtinObject::forSymbolId(id);
        if (object == InternalName::UndefinedObject) continue;
        const builtinSymbol::Entry& entry = builtinSymbol::entries()[id - 1];
        registerName(FSymbol(id, static_cast<std::uint8_t>(entry.kind),
                             static_cast<std::int8_t>(entry.arity)),
                     object);
    }
    insertClassRelation(builtinObject::String, builtinObject::Literal, IsaRelation::Subclass);
    insertClassRelation(builtinObject::Numeric, builtinObject::Literal, IsaRelation::Subclass);
    insertClassRelation(builtinObject::Text, builtinObject::Text, IsaRelation::Member);

    InternalName* schemaNames[] = {&names.title,  &names.modif,   &names.length,  &names.type,
                                   &names.hrefs,  &names.error,   &names.address, &names.file,
                                   &names.webdoc, &names.sgmldoc, &names.xmldoc,  &names.dtddoc};
    const char* texts[] = {"title",   "modif", "length", "type",    "hrefs",  "error",
                           "address", "file",  "webdoc", "sgmldoc", "xmldoc", "dtddoc"};
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        nameFromString(*schemaNames[i], texts[i], InternalName::Function);
    }

    if (!nsgmlHandler) {
        nsgmlHandler = Ref<NsgmlHandler>::make(this);
        nsgmlHandler->setFetch(
            [this](const std::string& address, const std::string& file, const std::string& kept) {
                return fetcher.fetchPart(address, file, kept);
            },
            [this](const std::string& kept) { fetcher.forgetKept(kept); });
        nsgmlHandler->setFreshMembership(
            [this](const InternalName& object, const InternalName& cls) {
                return insertFreshMembership(object, cls);
            });
    } else {
        nsgmlHandler->bindNames();
    }
    if (!dtdParser) dtdParser = Ref<DTDParser>::make();
}

void WebOMAccess::clear() {
    ++hierarchyChanges;
    OMAccess::clear();
    removeTempFiles();
    // Their files are gone: a later request fetches the document again.
    documentFiles.clear();
    declareSchema();
}

void WebOMAccess::removeTempFiles() {
    for (auto it = documentFiles.begin(); it != documentFiles.end(); ++it) {
        std::remove(documentFiles.inf(*it).c_str());
        leftoverFiles::forget(documentFiles.inf(*it));
    }
}

int WebOMAccess::giveLocalFile(const InternalName& document, std::string& file) {
    const auto item = documentFiles.lookup(document);
    if (item == nullptr) return 0;
    file = documentFiles.inf(item);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Insertions

// The triggers fire on facts the insertion made new. The object base's answer cannot tell: while
// a semi-naive evaluation records deltas it answers whether a delta row was recorded, and most
// new facts have none.
bool WebOMAccess::holdsValue(const InternalName& host, const InternalName& method,
                             const InternalName* args, int argCount, const InternalName& value) {
    InternalName stored = InternalName::UndefinedObject;
    return lookupMethodValue(host, method, args, argCount, MethodType::Scalar, stored) != 0 &&
           stored == value;
}

int WebOMAccess::insertValue(const InternalName& host, const InternalName& method,
                             const InternalName* args, int argCount, MethodType type,
                             const InternalName& value) {
    // A type made by a cast from a number outside the method types.
    if (code(type) < 0 || code(type) > 8) {
        centralErrorHandler().report(err6::WrongMetType);
        return 0;
    }
    const bool known =
        type == MethodType::Scalar && holdsValue(host, method, args, argCount, value);
    const int result = OMAccess::insertValue(host, method, args, argCount, type, value);
    if (type == MethodType::Scalar && !known && holdsValue(host, method, args, argCount, value)) {
        isWebAttribute(host, method, args, argCount, code(type), value);
    }
    return result;
}

int WebOMAccess::insertPath(const InternalName& host, const InternalName& method,
                            const InternalName* args, int argCount, PathStep step,
                            InternalName& value) {
    // Arithmetic in rule heads computes a number: nothing a URL could be asked for.
    if (std::holds_alternative<ArithmeticOp>(step)) {
        return OMAccess::insertPath(host, method, args, argCount, step, value);
    }
    const MethodType type = std::get<MethodType>(step);
    if (type != MethodType::Scalar && type != MethodType::InheritableScalar) {
        centralErrorHandler().report(err6::WrongMetType);
        return 0;
    }
    InternalName stored;
    const bool known =
        type == MethodType::Scalar &&
        lookupMethodValue(host, method, args, argCount, MethodType::Scalar, stored) != 0;
    const int result = OMAccess::insertPath(host, method, args, argCount, type, value);
    if (type == MethodType::Scalar && !known && value != InternalName::UndefinedObject) {
        isWebAttribute(host, method, args, argCount, code(type), value);
    }
    return result;
}

int WebOMAccess::insertClassRelation(const InternalName& object, const InternalName& cls,
                                     IsaRelation kind) {
    if (kind == IsaRelation::Subclass) ++hierarchyChanges;
    const bool known = kind == IsaRelation::Child || isaTest(object, cls, kind) != 0;
    const int result = OMAccess::insertClassRelation(object, cls, kind);
    if (known) return result;
    // A membership the store took holds now; only one it refused needs asking again (an import
    // stores one for each element, and the walk over the classes is its dearest part).
    const bool stored = result != 0 && kind == IsaRelation::Member;
    if (!stored && isaTest(object, cls, kind) == 0) return result;
    if (kind == IsaRelation::Member &&
        isaTest(object, builtinObject::Url, IsaRelation::Member) != 0) {
        materialize(object);
    } else if (kind == IsaRelation::Subclass &&
               isaTest(object, builtinObject::Url, IsaRelation::Subclass) != 0) {
        // Loading inserts class relations: the instances are collected before any is loaded.
        std::vector<InternalName> instances;
        const auto members = Ref<Iterator>::adopt(
            makeEnhIsaIter(InternalName::UndefinedObject, object, IsaRelation::Member, nullptr));
        if (members) {
            for (bool more = members->first(); more; more = members->next()) {
                instances.push_back(members->atColumn(1));
            }
        }
        for (const InternalName& instance : instances) materialize(instance);
    }
    return result;
}

bool WebOMAccess::findClassBelowUrl(const InternalName& cls) {
    const bool below =
        cls == builtinObject::Url || isaTest(cls, builtinObject::Url, IsaRelation::Subclass) != 0;
    lastFreshClass = {cls, hierarchyChanges + 1, below};
    return below;
}

int WebOMAccess::insertFreshMembership(const InternalName& object, const InternalName& cls) {
    if (freshClassBelowUrl(cls)) return insertClassRelation(object, cls, IsaRelation::Member);
    return OMAccess::insertClassRelation(object, cls, IsaRelation::Member);
}

int WebOMAccess::insertFreshChild(const InternalName& object, const InternalName& cls,
                                  const InternalName& host, const InternalName& method,
                                  MethodType type) {
    // A scalar value may be a Web attribute, which this layer's insertValue watches.
    if (type != MethodType::Scalar && !freshClassBelowUrl(cls))
        return OMAccess::insertFreshChild(object, cls, host, method, type);
    int added = insertFreshMembership(object, cls);
    if (insertValue(host, method, nullptr, 0, type, object) != 0) added = 1;
    if (insertClassRelation(object, host, IsaRelation::Child) != 0) added = 1;
    return added;
}

int WebOMAccess::insertFreshChildren(const InternalName& host, const InternalName& method,
                                     MethodType type, std::span<const FreshChild> children) {
    int added = 0;
    if (type == MethodType::Scalar) {
        for (const FreshChild& child : children)
            if (insertFreshChild(child.object, child.cls, host, method, type) != 0) added = 1;
        return added;
    }
    // A child of url or below it becomes a URL and may start loads, as insertFreshChild stores
    // it; storing the others cannot change whether a class lies below url.
    // Siblings mostly share their class: the next ones of the class just found plain are
    // passed over without asking again (the answer holds until a URL is stored).
    std::size_t runFrom = 0;
    for (std::size_t at = 0; at < children.size();) {
        const FreshChild& child = children[at];
        if (!freshClassBelowUrl(child.cls)) {
            const InternalName plain = child.cls;
            while (++at < children.size() && children[at].cls == plain) {
            }
            continue;
        }
        if (runFrom < at && OMAccess::insertFreshChildren(
                                host, method, type, children.subspan(runFrom, at - runFrom)) != 0)
            added = 1;
        runFrom = at + 1;
        if (insertFreshChild(child.object, child.cls, host, method, type) != 0) added = 1;
        ++at;
    }
    if (runFrom < children.size() &&
        OMAccess::insertFreshChildren(host, method, type, children.subspan(runFrom)) != 0)
        added = 1;
    return added;
}

int WebOMAccess::insertFreshElement(const FreshElement& element) {
    const auto scalar = [](int type) { return MethodType(type) == MethodType::Scalar; };
    if (scalar(element.type) || (element.hasText() && scalar(element.textType)) ||
        (!element.values.empty() && scalar(element.valueType)) || freshClassBelowUrl(element.cls))
        return insertFreshElementApart(element);
    return OMAccess::insertFreshElement(element);
}

int WebOMAccess::applyEqualities() {
    ++hierarchyChanges;
    int applied = 0;
    InternalName survivor;
    while (applyEquality(survivor) != 0) {
        applied = 1;
        if (isaTest(survivor, builtinObject::Url, IsaRelation::Member) != 0) materialize(survivor);
    }
    return applied;
}

// ---------------------------------------------------------------------------------------------
// Fetching, forwarded

int WebOMAccess::accessWeb(const FSymbol& url, FetchRecord& record) {
    return fetcher.accessWeb(url, record);
}

int WebOMAccess::fetchDocument(const std::string& address, const std::string& fileName,
                               std::vector<std::string>& messages, std::string& scheme) {
    return fetcher.fetchDocument(address, fileName, messages, scheme);
}

void WebOMAccess::readHttpHeader(FetchRecord& record) {
    fetcher.readHttpHeader(record);
}

InternalName& WebOMAccess::normalizeUrl(InternalName& out, const std::string& link) {
    return fetcher.normalizeUrl(out, link);
}

void WebOMAccess::extractHtml(const InternalName& document, const std::string& fileName) {
    HtmlExtractor(*this, fetcher,
                  HtmlSchema{names.title, names.address, names.hrefs, builtinObject::Url})
        .extractHtml(document, fileName);
}

// ---------------------------------------------------------------------------------------------
// Settings

void WebOMAccess::setDtdFile(const std::string& publicId, const std::string& file) {
    nsgmlHandler->setDtdFile(publicId, file);
}

void WebOMAccess::setDclFile(const std::string& file) {
    nsgmlHandler->setDclFile(file);
}

void WebOMAccess::setEntFile(const std::string& publicId, const std::string& file) {
    nsgmlHandler->setEntFile(publicId, file);
}

void WebOMAccess::setDocType(const std::string& name, const std::string& file) {
    nsgmlHandler->setDocType(name, file);
}

void WebOMAccess::setTagFile(const std::string& file) {
    nsgmlHandler->setTagFile(file);
}

void WebOMAccess::unsetTagFile() {
    nsgmlHandler->setTagFile("");
}

void WebOMAccess::setSgmlErrFile(const std::string& file) {
    nsgmlHandler->setSgmlErrFile(file);
}

void WebOMAccess::unsetSgmlErrFile() {
    nsgmlHandler->setSgmlErrFile("");
}

void WebOMAccess::setTmpDir(const std::string& prefix) {
    tmpDir = prefix;
    nsgmlHandler->setTmpDir(prefix);
}

void WebOMAccess::showTmpDir() {
    systemChannel() << tmpDir << std::endl;
}

// ---------------------------------------------------------------------------------------------
// Shell

FLSysRef WebOMAccess::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<OMAccess>(*this, name, args);
}

// Each command names the number of strings it takes; "debugOn" and "debugOff" take none.
const ShellCommands<WebOMAccess>& WebOMAccess::shellCommands() {
    using Access = WebOMAccess;
    // The help is the base layer's, followed by these lines.
    static const ShellCommands<WebOMAccess> table{
        {},
        {
            {"debugOn",
             ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "debugOn", args, 0,
                                    [](Access& a, const Texts&) { a.webFetcher().setTrace(1); });
             },
             {"    - debugOn", "         trace Web access "}},
            {"debugOff",
             ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "debugOff", args, 0,
                                    [](Access& a, const Texts&) { a.webFetcher().setTrace(0); });
             },
             {"    - debugOff"}},
            {"setDtdFile",
             ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "setDtdFile", args, 2,
                                    [](Access& a, const Texts& t) { a.setDtdFile(t[0], t[1]); });
             },
             {"    - setDtdFile(string, string)"}},
            {"setDclFile",
             ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "setDclFile", args, 1,
                                    [](Access& a, const Texts& t) { a.setDclFile(t[0]); });
             },
             {"    - setDclFile(string)"}},
            {"setEntFile",
             ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "setEntFile", args, 2,
                                    [](Access& a, const Texts& t) { a.setEntFile(t[0], t[1]); });
             },
             {"    - setEntFile(string, string)"}},
            {"setDocType",
             ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "setDocType", args, 2,
                                    [](Access& a, const Texts& t) { a.setDocType(t[0], t[1]); });
             },
             {"    - setDocType(string, string)"}},
            {"setTagFile",
             ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "setTagFile", args, 1,
                                    [](Access& a, const Texts& t) { a.setTagFile(t[0]); });
             },
             {"    - setTagFile(string)"}},
            {"unsetTagFile",
             ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "unsetTagFile", args, 0,
                                    [](Access& a, const Texts&) { a.unsetTagFile(); });
             },
             {"    - unsetTagFile"}},
            {"setSgmlErrFile",
             ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "setSgmlErrFile", args, 1,
                                    [](Access& a, const Texts& t) { a.setSgmlErrFile(t[0]); });
             },
             {"    - setSgmlErrFile(string)"}},
            {"unsetSgmlErrFile",
             ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "unsetSgmlErrFile", args, 0,
                                    [](Access& a, const Texts&) { a.unsetSgmlErrFile(); });
             },
             {"    - unsetSgmlErrFile"}},
            {"rootFlagOn", ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "rootFlagOn", args, 0,
                                    [](Access& a, const Texts&) { a.rootFlagOn(); });
             }},
            {"rootFlagOff", ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "rootFlagOff", args, 0,
                                    [](Access& a, const Texts&) { a.rootFlagOff(); });
             }},
            {"setTmpDir", ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "setTmpDir", args, 1,
                                    [](Access& a, const Texts& t) { a.setTmpDir(t[0]); });
             }},
            {"showTmpDir", ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 return withStrings(self, "showTmpDir", args, 0,
                                    [](Access& a, const Texts&) { a.showTmpDir(); });
             }},
            {"help", ShellArgs::Any,
             [](Access& self, FLSysArgs* args) -> FLSysRef {
                 if (argumentCount(args) != 0) {
                     self.reportInvalidMethodArg("help");
                     return nullptr;
                 }
                 return self.help();
             }},
        },
        {}};
    return table;
}

FLSysRef WebOMAccess::debugOn(FLSysArgs* args) {
    return methodCall("debugOn", args);
}

FLSysRef WebOMAccess::debugOff(FLSysArgs* args) {
    return methodCall("debugOff", args);
}

void WebOMAccess::print(OutputChannel& channel) const {
    channel << "aWebOMAccess";
}

bool WebOMAccess::isA(const std::string& className) const {
    return className == "WebOMAccess" || OMAccess::isA(className);
}

FLSysRef WebOMAccess::help() {
    OMAccess::help();
    shellCommands().writeHelp(helpChannel());
    return FLSysRef::share(this);
}

WebOMAccessMeta::WebOMAccessMeta(AxisIteratorFactory* axes, ExportHandlerFactory exports)
    : XMeta("WebOMAccess"), axes(axes), exports(std::move(exports)) {}

FLSysRef WebOMAccessMeta::createInstance(FLSysArgs* args) {
    FLSysObject* om = nullptr;
    if (!checkArgs1(args, "OM", om)) return nullptr;
    Ref<WebOMAccess> made = Ref<WebOMAccess>::make(static_cast<OM*>(om));
    made->useAxisIterators(axes);
    made->useExportHandlers(exports);
    return made;
}
