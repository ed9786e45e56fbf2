// NsgmlHandler: the import of one SGML, XML or HTML document file into objects of the object
// base, from the parser run through the document tree to the mapping.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/ManagedObject.h"
#include "foundation/clib_list.h"
#include "objectbase/InternalName.h"
#include "xml/DocumentTree.h"
#include "xml/DocumentTreeBuilder.h"
#include "xml/IdTable.h"
#include "xml/NsgmlWrapper.h"
#include "xml/ParseRequest.h"
#include "xml/SGMLTreeElem.h"
#include "xml/StagedFacts.h"
#include "xml/UrlText.h"

class IgnoreTable;
class OMAccess;
class SGMLTreeAttr;

class NsgmlHandler : public ManagedObject {
  public:
    // Documents nested deeper than this many elements are refused: such depth is no document's
    // structure but a fault or an attack, and every walk over the tree pays for it.
    static constexpr int maxDepth = 10000;

    // The access layer is not owned. The catalog is not written until a setter asks for it.
    explicit NsgmlHandler(OMAccess* access);
    NsgmlHandler(const NsgmlHandler&) = delete;
    NsgmlHandler& operator=(const NsgmlHandler&) = delete;

    // The catalog entries; each rewrites the catalog file.
    virtual void setDtdFile(const std::string& publicId, const std::string& file);
    virtual void setDclFile(const std::string& file);
    virtual void setEntFile(const std::string& publicId, const std::string& file);
    virtual void setDocType(const std::string& name, const std::string& file);
    // Each stores its string; the empty string means none.
    virtual void setTagFile(const std::string& name);
    virtual void setTmpDir(const std::string& name);
    virtual void setSgmlErrFile(const std::string& name);

    // Imports the document file for the document object; failures go to the central handler.
    // The root flag is recorded only. An import that an insert of this one starts (a link or a
    // DTD the Web layer fetches) runs with its own state and stream file.
    virtual void parseWebdoc(const InternalName& document, const std::string& fileName,
                             const ParseRequest& request, int rootFlag, const std::string& scheme,
                             const std::string& host, const std::string& path);

    // Loads an address into a local file; false when nothing usable came (an error status, a
    // refusal, a failed transfer). With a kept file, the whole answer is kept there for the
    // load of the address as a document of its own, which then fetches nothing; `forget` drops
    // a kept answer that no load took. The Web layer gives its fetcher, with its limits.
    using Fetch = std::function<bool(const std::string& address, const std::string& file,
                                     const std::string& keptFile)>;
    using Forget = std::function<void(const std::string& keptFile)>;
    // With a fetch, a Web document's DTD is fetched from the document's own server for the parse,
    // once: a DTD demand loads the DTD object from the same answer.
    void setFetch(Fetch value, Forget forgetKept) {
        fetch = std::move(value);
        forget = std::move(forgetKept);
    }

    // Stores a membership of an element object the mapping made, which has no class before it;
    // without it such a membership is inserted as any other.
    void setFreshMembership(StagedFacts::FreshMember value) { freshMember = std::move(value); }

    // Called where the mapping and the reference resolution look for a stop request (Ctrl-C, a
    // farewell), before they look: tests raise one there.
    void setMappingPoll(std::function<void()> value) { mappingPoll = std::move(value); }
    // Called where the storing of a document's facts looks for a farewell, before it looks.
    void setCommitPoll(std::function<void()> value) { commitPoll = std::move(value); }

    // Reads a tag file into a fresh table (empty when the file cannot be read) and sets the
    // default statuses from its "<OTHERS>" line, '+' without one.
    IgnoreTable* loadIgnoreTable(const std::string& name);

    // The parser's argument vector for a document file (without the program's own handling).
    std::vector<std::string> parserArguments(const std::string& fileName) const;
    const std::string& catalogPath() const { return catalog; }
    // The stream file of an import at this nesting level (0 the outermost).
    std::string outputPath(int level = 0) const;
    int getRootFlag() const { return rootFlag; }
    void setSkipEmptyText(int value) { skipEmptyText = value; }
    // Binds the five method names of the mapping anew: after the object base was emptied, the
    // names bound before stand for nothing, or for other objects.
    void bindNames();

  protected:
    // Removes the stream file.
    ~NsgmlHandler() override;
    // Runs the parser application with the argument vector, the stream going to the output file;
    // a parse in this process builds the import's tree as it goes, and writes no stream.
    virtual int runParser(std::vector<std::string>& args, const std::string& output);

  private:
    // Everything that lives for one import only.
    struct ImportState {
        InternalName document;
        UrlParts url;
        int html = 0;
        int invalidOutput = 0;
        InternalName rootObject;
        // The URLs of the DOCTYPE's identifiers, resolved against the document's, once the
        // document type was read (undefined else).
        InternalName systemUrl = InternalName::UndefinedObject;
        InternalName publicUrl = InternalName::UndefinedObject;
        // The IDs and references met by the mapping; the references find their IDs through a
        // hashed index (a scan of a list for every reference made large documents quadratic).
        IdTable ids;
        // The document's tree, from the parse's events until the mapping is done with it, and
        // the number of its elements.
        DocumentTree tree;
        std::size_t elements = 0;
        // The builder of the tree while the parser runs, and whether the parse fed it (in this
        // process) rather than writing the stream.
        DocumentTreeBuilder* builder = nullptr;
        bool builtDirectly = false;
        // Every fact of the document, from the document type read with the tree to the
        // resolved references, stored only when the mapping and the resolution are done:
        // `staging` from the tree's first line until then.
        StagedFacts staged;
        bool staging = false;
        // The last name made a symbol: siblings mostly share their element name, which is then
        // not looked up in the symbol table again.
        std::string lastSymbolText;
        InternalName lastSymbol = InternalName::UndefinedObject;
        // The class of the element classified last, whose relations to tag and node are
        // staged.
        InternalName lastElementClass = InternalName::UndefinedObject;
    };

    // One level of a mapping walk: the element whose children are mapped, under which host (and
    // the host's class, or the plain mapping's method), the next child, and where the running
    // child number is kept. A frame of the DTD-driven mapping that stands for an element links it
    // to the host of the frame below once its children are done. The frames lie in a vector and
    // refer to one another by place: the frame below is the outer one.
    struct MapFrame {
        MapFrame(const InternalName& host, const InternalName& hostClass, SGMLTreeElem* element,
                 std::int32_t counterAt);
        InternalName host;
        InternalName hostClass;
        SGMLTreeElem* element;
        SGMLTreeElem::ChildIterator next;
        // The place of the frame whose `own` numbers the children met here; -1 for the walk's
        // caller's counter.
        std::int32_t counterAt;
        int own = 0;
        bool linksToOuter = false;
        InternalName name;
        // The text the DTD-driven mapping linked last to the host here: when the mapping links
        // nothing new by linking it again (DtdMappingPlan::repeatsNothing), it is not linked
        // again, also after texts of the host's children came in between.
        InternalName linkedText = InternalName::UndefinedObject;
    };

    void writeCatalog();
    // Where the document may read entities from: its own folder for a file, none for the Web.
    EntityPolicy entityPolicy(const std::string& fileName, const std::string& scheme,
                              const std::string& urlPath) const;
    // Reports an import that stopped before the document was read whole, or refuses it, and
    // gives the document the reason as an error value; nothing of the document is stored.
    // line: where a fault of the document's text was found, for the reasons that have one.
    // entity: the external entity holding that fault, empty for the document itself.
    // detail: what is wrong with a truncated document or one without a document element, in
    // the parser's words.
    void abandonImport(const std::string& documentName, ParseStop reason, unsigned long line = 0,
                       const std::string& entity = "", const std::string& detail = "");
    // For a document from the Web whose document type names a DTD on its own server: fetches the
    // DTD next to the stream file and lets the policy find it there; the copy's name, or empty.
    // keep: whether the answer is kept for the DTD object, under outputPath + ".whole".
    std::string fetchWebDtd(const std::string& systemId, const std::string& output,
                            EntityPolicy& policy, bool keep);

    // Builds the tree from the event stream: the builder reads its lines' events.
    void parseEsis(std::istream& in, DocumentTreeBuilder& builder);
    // Stages the document type the builder read, if one came.
    void stageDocumentType(const DocumentTreeBuilder& builder);
    // Stages the identifier and its URL under the two methods; the URL.
    InternalName insertIdentifier(const std::string& identifier, const char* method,
                                  const char* urlMethod);

    // The identifier resolved against the document's URL, in double quotes.
    std::string resolveIdentifier(const std::string& identifier) const;
    void extractHtml(SGMLTreeElem* element);
    void applyIgnoreTable(SGMLTreeElem* root, const IgnoreTable& table);
    void lookupDtd(const std::string& fileName, const ParseRequest& request);

    void mapChildren(const InternalName& host, const InternalName& method, SGMLTreeElem* element,
                     const ParseRequest& request, int& counter);
    void mapAttribute(const InternalName& object, const InternalName& elementClass,
                      const SGMLTreeAttr& attribute, const ParseRequest& request);
    void insertAttributeValue(const InternalName& object, const InternalName& method, int arrow,
                              const InternalName& resultClass, const std::string& value,
                              const ParseRequest& request);
    void lookupArrowType(const InternalName& hostClass, const InternalName& method,
                         const ParseRequest& request, int& arrow, InternalName& resultClass);
    // The most specific result class of the signatures of this type, or undefined.
    InternalName signatureClass(int type, const InternalName& hostClass,
                                const InternalName& method);
    void lookupSignature(const InternalName& hostClass, const InternalName& method);
    void mapDtdChildren(const InternalName& host, const InternalName& hostClass,
                        SGMLTreeElem* element, const ParseRequest& request, int& counter);
    // On reaching the node, lets the tree free the blocks the walk has passed, but those of the
    // elements still open: those of the frames, and alsoOpen when given.
    void releasePassed(const std::vector<MapFrame>& frames, const SGMLTreeElem* node,
                       const SGMLTreeElem* alsoOpen = nullptr);
    void linkChild(const InternalName& host, const InternalName& hostClass, const InternalName& x,
                   const InternalName& method, int& counter, const ParseRequest& request);
    // True, every 1024 steps, when a stop was requested: the mapping and the resolution end early,
    // and the import stores nothing of the document.
    bool stopDuring(int& steps);
    // Stores the staged facts of the import; false when a farewell cut the storing short, and
    // the document got the interrupted error value.
    bool commitStaged(const std::string& shown);
    void resolveReferences(const ParseRequest& request);
    void resolveDefaults(int type, const ParseRequest& request);
    void recordDefault(const InternalName& host, const InternalName& method, int type,
                       const InternalName& target, const ParseRequest& request);

    // Helpers over the access layer; while the import stages its facts, paths are staged.
    InternalName symbol(const std::string& text);
    InternalName path(const InternalName& host, const InternalName& method);
    // DTDobject.method when the request has a DTD object, else the method itself.
    InternalName dtdMethod(const InternalName& method, const ParseRequest& request);
    std::string textOf(const InternalName& name);
    bool isSubclass(const InternalName& x, const InternalName& cls);
    // element : cls, cls : tag, cls :: node. fresh: the element is an object the mapping made
    // now, with no class yet.
    void insertElementClass(const InternalName& element, const InternalName& cls, bool fresh);
    // Whether insertElementClass would stage nothing but the membership for the class: its
    // relations to tag and node are staged.
    bool classRelationsStaged(const InternalName& cls) const;
    static bool hasMappedAttribute(const SGMLTreeElem* element);

    int skipEmptyText = 0;
    int rootFlag = 0;
    OMAccess* access;
    InternalName hrefs;
    InternalName child;
    InternalName pcdata;
    InternalName xmlId;
    InternalName xmlIdref;
    std::string publicEntry;
    std::string sgmlDeclEntry;
    std::string secondPublicEntry;
    std::string docTypeEntry;
    std::string tagFile;
    std::string catalog;
    std::string tmpFileName;
    std::string tmpDir;
    std::string errorFile;
    // The import running now (null between imports); a nested import saves and restores it.
    ImportState* state = nullptr;
    int nesting = 0;
    NsgmlWrapper wrapper;
    Fetch fetch;
    Forget forget;
    std::function<void()> mappingPoll;
    std::function<void()> commitPoll;
    StagedFacts::FreshMember freshMember;
};
