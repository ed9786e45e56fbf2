// WebOMAccess: the access layer through which URLs in the object base become fetched, described
// and imported documents on demand, and DTDs become schemas; with its class object.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "foundation/Ref.h"
#include "foundation/clib_dictionary.h"
#include "objectbase/InternalName.h"
#include "xml/FetchRecord.h"
#include "xml/ParseRequest.h"
#include "xml/WebFetcher.h"

class DTDElemSpec;
class DTDParser;
class InternalDTD;
class NsgmlHandler;

// A trigger runs inside the insertion that caused it: fetching and importing happen in the middle
// of an evaluation round, and an import may start further loads (a link that is a URL with a
// stored get value). Nothing of one load may therefore rely on the fetcher's current URL after
// the import it starts.
class WebOMAccess : public OMAccess {
  public:
    explicit WebOMAccess(OM* om);
    WebOMAccess(const WebOMAccess&) = delete;
    WebOMAccess& operator=(const WebOMAccess&) = delete;
    // Deletes the temporary files.
    ~WebOMAccess() override;

    // The Web layer's shell methods (one table), then "help", then the base's.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    // "aWebOMAccess".
    void print(OutputChannel& channel) const override;
    std::string name() const override { return "aWebOMAccess"; }
    // Storing a fact may load a document, whose element methods are made subclasses of the
    // node class.
    bool writesMayAddSubclasses() const override { return true; }
    bool isA(const std::string& className) const override;

    // Empties the object base, deletes the temporary files, forgets which documents were fetched
    // and declares the schema again. The fetch counter, the trace and root flags, the temporary
    // folder and the importer with its catalog, tag file and error file stay.
    void clear() override;

    // A type cast from a number beyond the method types is refused (WrongMetType). A "->" value
    // that was not stored before may be a Web attribute.
    int insertValue(const InternalName& host, const InternalName& method, const InternalName* args,
                    int argCount, MethodType type, const InternalName& value) override;
    // "." and "!" as insertValue; the arithmetic steps go to the base unchanged, without a
    // trigger; any other type is refused.
    int insertPath(const InternalName& host, const InternalName& method, const InternalName* args,
                   int argCount, PathStep step, InternalName& value) override;
    // A new is-a fact that makes a URL instance, or a subclass of url, loads the documents
    // already asked of it.
    int insertClassRelation(const InternalName& object, const InternalName& cls,
                            IsaRelation kind) override;
    bool watchesMemberships() const override { return true; }
    // object : cls for an object that has no class yet (an element an import made): it becomes
    // a URL, and asks for loads, only when cls is url or below it. Only then does the membership
    // take insertClassRelation's road with its is-a tests; any other is stored plainly. The
    // answer for the class of the last call is kept until the class hierarchy may have changed.
    int insertFreshMembership(const InternalName& object, const InternalName& cls);
    // The membership as insertFreshMembership stores it, then the value and the child relation;
    // in one step of the object base when the class is not url or below it and the values are
    // a set.
    int insertFreshChild(const InternalName& object, const InternalName& cls,
                         const InternalName& host, const InternalName& method,
                         MethodType type) override;
    // insertFreshChild for each child in turn: the children whose class is not url or below
    // it, between those that are, go to the object base as runs.
    int insertFreshChildren(const InternalName& host, const InternalName& method, MethodType type,
                            std::span<const FreshChild> children) override;
    // Set values and a child relation start no load, and the membership only for a class that
    // is url or below it: the facts go to the object base in one step unless one of them
    // could, and then each takes this layer's insert.
    int insertFreshElement(const FreshElement& element) override;
    // Applies the recorded equalities one by one, materializing each surviving URL; non-zero when
    // any was applied.
    int applyEqualities() override;
    FLSysRef debugOn(FLSysArgs* args) override;
    FLSysRef debugOff(FLSysArgs* args) override;
    // The local file of a fetched document; 0 for any other name.
    int giveLocalFile(const InternalName& document, std::string& file) override;
    FLSysRef help() override;
    // A fetch, a description or an import stores facts beside the inserted ones.
    bool holdsOnlyInsertedFacts() const override { return false; }

    // Fetches the URL U once for the document D, describes D, classes it and imports it. 0 when
    // D was loaded before or the fetch could not start, 1 otherwise.
    virtual int loadDocument(const InternalName& url, const ParseRequest& request,
                             const InternalName& document);
    // Maps the DTD file's element declarations into classes, signatures and defaults, under the
    // DTD object X unless X is nil. Messages name the DTD by the shown name (its URL, for a copy
    // of a fetched one).
    virtual void mapDTD(const InternalName& document, const std::string& fileName,
                        const InternalName& dtdObject, const std::string& shownName);
    // Binds the predefined objects, declares string and numeric literals, makes the schema names
    // and, the first time only, the importer and the DTD parser.
    virtual void declareSchema();
    // The fetching operations; they forward to the fetcher.
    virtual int accessWeb(const FSymbol& url, FetchRecord& record);
    // The parsed DTD (the caller's reference) or null.
    virtual InternalDTD* doParseDTD(const std::string& fileName, const std::string& shownName);
    // Records title, address texts and links of an HTML file on the document.
    virtual void extractHtml(const InternalName& document, const std::string& fileName);
    virtual int fetchDocument(const std::string& address, const std::string& fileName,
                              std::vector<std::string>& messages, std::string& scheme);
    virtual void readHttpHeader(FetchRecord& record);
    virtual InternalName& normalizeUrl(InternalName& out, const std::string& link);
    virtual void removeTempFiles();
    // The six patterns of get and parse; the result of the load, or 0.
    virtual int isWebAttribute(const InternalName& host, const InternalName& method,
                               const InternalName* args, int argCount, int type,
                               const InternalName& value);
    // Loads the documents already stored for the object's get and parse patterns.
    virtual void materialize(const InternalName& object);
    // Builds the request of a get or parse pattern and loads; 0 for any other argument list.
    virtual int lazyAccess(const InternalName& host, const InternalName& method,
                           const InternalName* args, int argCount, const InternalName& value);
    virtual void setDtdFile(const std::string& publicId, const std::string& file);
    virtual void setDclFile(const std::string& file);
    virtual void setEntFile(const std::string& publicId, const std::string& file);
    virtual void setDocType(const std::string& name, const std::string& file);
    virtual void setTagFile(const std::string& file);
    virtual void unsetTagFile();
    virtual void setSgmlErrFile(const std::string& file);
    virtual void unsetSgmlErrFile();
    virtual void rootFlagOn() { rootFlag = 1; }
    virtual void rootFlagOff() { rootFlag = 0; }
    virtual void setTmpDir(const std::string& prefix);
    virtual const std::string& getTmpDir() const { return tmpDir; }
    // The temporary prefix and an end of line on the system channel.
    virtual void showTmpDir();

    // The request a get or parse pattern asks for; false for any other method or argument list.
    static bool requestFor(const InternalName& method, const InternalName* args, int argCount,
                           ParseRequest& request);

    int webTracing() const { return fetcher.tracing(); }
    int getRootFlag() const { return rootFlag; }
    int fetchCount() const { return fetchCounter; }
    const std::string& workingDirectory() const { return workingDir; }
    const std::string& processTag() const { return procTag; }
    WebFetcher& webFetcher() { return fetcher; }
    NsgmlHandler* importer() const { return nsgmlHandler.get(); }

    // The twelve schema names, in their declaration order.
    struct Schema {
        InternalName title, modif, length, type, hrefs, error, address, file;
        InternalName webdoc, sgmldoc, xmldoc, dtddoc;
    };
    const Schema& schema() const { return names; }

  protected:
    // The end of the document road, once the document is described: the classes of the
    // request's kind and the import or DTD mapping. The XML layer keeps the road and narrows this.
    virtual void importDocument(const InternalName& document, const std::string& fileName,
                                const ParseRequest& request, const UrlParts& parts);
    // The object of a DTD name: its function symbol, or X.name when X is not nil.
    InternalName dtdName(const std::string& text, const InternalName& dtdObject, bool viaSymbol);
    // The string constant of a text that holds its double quotes.
    InternalName quoted(const std::string& text);

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<WebOMAccess>& shellCommands();

    // Whether host[method@(args) -> value] is stored.
    bool holdsValue(const InternalName& host, const InternalName& method, const InternalName* args,
                    int argCount, const InternalName& value);
    void insertErrors(const InternalName& document, const FetchRecord& record);
    void describeDocument(const InternalName& url, const InternalName& document,
                          const FetchRecord& record);
    void classify(const InternalName& document, int kind);
    void mapAttributes(const InternalName& cls, const DTDElemSpec& element,
                       const InternalName& dtdObject);
    void listDTD(const InternalDTD& dtd) const;

    std::int32_t rootFlag = 0;
    // Counts what may change which classes are below url (a subclass fact, an equality, a load,
    // emptying the base), so that insertFreshMembership's kept answer is known to be current.
    // Every import starts with a load, so no answer outlives the import it was given in, and
    // facts stored past this layer between imports (a consulted file) cannot make it stale.
    std::uint64_t hierarchyChanges = 0;
    // Whether cls is url or below it, kept for the class of the last call. Inline for the kept
    // answer, which every fresh element of an import asks for.
    bool freshClassBelowUrl(const InternalName& cls) {
        // Stamps start at 1: the kept answer of a fresh layer matches no class.
        if (lastFreshClass.cls == cls && lastFreshClass.stamp == hierarchyChanges + 1)
            return lastFreshClass.belowUrl;
        return findClassBelowUrl(cls);
    }
    // freshClassBelowUrl asking the class hierarchy, and keeping the answer.
    bool findClassBelowUrl(const InternalName& cls);
    struct FreshClass {
        InternalName cls = InternalName::UndefinedObject;
        std::uint64_t stamp = 0;
        bool belowUrl = true;
    };
    FreshClass lastFreshClass;
    // Fetched documents and their local files; a document with an entry is not fetched again.
    clib_dictionary<InternalName, std::string> documentFiles;
    // The URL parts of the fetch running now and the Web trace live here.
    WebFetcher fetcher;
    std::int32_t fetchCounter = 0;
    // "_" + process id + "_": two programs in one folder never share a temporary file.
    std::string procTag;
    std::string tmpDir;
    std::string workingDir;
    Schema names;
    // Owned; made by the first declareSchema and kept, with their settings, by every later one.
    Ref<NsgmlHandler> nsgmlHandler;
    Ref<DTDParser> dtdParser;
};

// The class object registered as "classWebOMAccess": "new"@(anOM) makes a WebOMAccess over it.
// Each access layer it makes uses the axis iterators (none: null) and export handlers it was given.
class WebOMAccessMeta : public XMeta {
  public:
    explicit WebOMAccessMeta(AxisIteratorFactory* axes = nullptr,
                             ExportHandlerFactory exports = {});
    ~WebOMAccessMeta() override = default;

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;

  private:
    AxisIteratorFactory* axes;
    ExportHandlerFactory exports;
};
