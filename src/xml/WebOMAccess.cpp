// The Web access layer as an access layer and a shell object: construction, the schema, the
// overridden insertions, clearing, the shell methods with their help, and the class object.
#include "xml/WebOMAccess.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
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

// One shell method of the Web layer: its name, the number of string arguments it takes, and
// what it does with them.
struct WebMethod {
    const char* name;
    int strings;
    void (*run)(WebOMAccess& access, const Texts& texts);
};

// Tested in this order, before the base's methods. "debugOn" and "debugOff" take no strings.
const std::array<WebMethod, 14> webMethods{{
    {"debugOn", 0, [](WebOMAccess& a, const Texts&) { a.webFetcher().setTrace(1); }},
    {"debugOff", 0, [](WebOMAccess& a, const Texts&) { a.webFetcher().setTrace(0); }},
    {"unsetTagFile", 0, [](WebOMAccess& a, const Texts&) { a.unsetTagFile(); }},
    {"unsetSgmlErrFile", 0, [](WebOMAccess& a, const Texts&) { a.unsetSgmlErrFile(); }},
    {"rootFlagOn", 0, [](WebOMAccess& a, const Texts&) { a.rootFlagOn(); }},
    {"rootFlagOff", 0, [](WebOMAccess& a, const Texts&) { a.rootFlagOff(); }},
    {"setTagFile", 1, [](WebOMAccess& a, const Texts& t) { a.setTagFile(t[0]); }},
    {"setSgmlErrFile", 1, [](WebOMAccess& a, const Texts& t) { a.setSgmlErrFile(t[0]); }},
    {"setDclFile", 1, [](WebOMAccess& a, const Texts& t) { a.setDclFile(t[0]); }},
    {"setDtdFile", 2, [](WebOMAccess& a, const Texts& t) { a.setDtdFile(t[0], t[1]); }},
    {"setEntFile", 2, [](WebOMAccess& a, const Texts& t) { a.setEntFile(t[0], t[1]); }},
    {"setDocType", 2, [](WebOMAccess& a, const Texts& t) { a.setDocType(t[0], t[1]); }},
    {"setTmpDir", 1, [](WebOMAccess& a, const Texts& t) { a.setTmpDir(t[0]); }},
    {"showTmpDir", 0, [](WebOMAccess& a, const Texts&) { a.showTmpDir(); }},
}};

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
    decRef(nsgmlHandler);
    decRef(dtdParser);
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

    if (nsgmlHandler == nullptr) {
        nsgmlHandler = new NsgmlHandler(this);
        nsgmlHandler->setFetch(
            [this](const std::string& address, const std::string& file, const std::string& kept) {
                return fetcher.fetchPart(address, file, kept);
            },
            [this](const std::string& kept) { fetcher.forgetKept(kept); });
    } else {
        nsgmlHandler->bindNames();
    }
    if (dtdParser == nullptr) dtdParser = new DTDParser();
}

void WebOMAccess::clear() {
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
        Iterator* members =
            makeEnhIsaIter(InternalName::UndefinedObject, object, IsaRelation::Member, nullptr);
        if (members != nullptr) {
            for (bool more = members->first(); more; more = members->next()) {
                instances.push_back(members->atColumn(1));
            }
            decRef(members);
        }
        for (const InternalName& instance : instances) materialize(instance);
    }
    return result;
}

int WebOMAccess::applyEqualities() {
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
    for (const WebMethod& method : webMethods) {
        if (name != method.name) continue;
        std::vector<std::string> texts;
        if (!stringArguments(args, texts) || static_cast<int>(texts.size()) != method.strings) {
            reportInvalidMethodArg(name);
            return nullptr;
        }
        method.run(*this, texts);
        return FLSysRef::share(this);
    }
    if (name == "help") {
        if (argumentCount(args) != 0) {
            reportInvalidMethodArg(name);
            return nullptr;
        }
        return help();
    }
    return OMAccess::methodCall(name, args);
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
    helpChannel() << "    - debugOn" << std::endl
                  << "         trace Web access " << std::endl
                  << "    - debugOff" << std::endl
                  << "    - setDtdFile(string, string)" << std::endl
                  << "    - setDclFile(string)" << std::endl
                  << "    - setEntFile(string, string)" << std::endl
                  << "    - setDocType(string, string)" << std::endl
                  << "    - setTagFile(string)" << std::endl
                  << "    - unsetTagFile" << std::endl
                  << "    - setSgmlErrFile(string)" << std::endl
                  << "    - unsetSgmlErrFile" << std::endl;
    return FLSysRef::share(this);
}

WebOMAccessMeta::WebOMAccessMeta() : XMeta("WebOMAccess") {}

FLSysRef WebOMAccessMeta::createInstance(FLSysArgs* args) {
    FLSysObject* om = nullptr;
    if (!checkArgs1(args, "OM", om)) return nullptr;
    return FLSysRef::make<WebOMAccess>(static_cast<OM*>(om));
}
