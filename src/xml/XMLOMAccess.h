// XMLOMAccess: the access layer of the Kavum mode, the Web layer with an XML document road,
// insertions along axis steps, node export, Kavum exports and link following; with its class
// object.
#pragma once

#include <string>

#include "foundation/set.h"
#include "xml/WebOMAccess.h"

// Axis codes of the insertions: 0 none, 1 child, 2 descendant, 3 parent, 4 ancestor, 5 sibling,
// 6 attribute, 7 self, 8 function application.
//
// The insertions along axes write through OMAccess's own insertValue and insertPath, not the Web
// layer's: they ask isWebAttribute themselves, once, after the fact is stored.
class XMLOMAccess : public WebOMAccess {
  public:
    explicit XMLOMAccess(OM* om);
    ~XMLOMAccess() override = default;

    // "setTransparentLinks"@(string), then the Web layer's methods.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    // "aXMLOMAccess".
    void print(OutputChannel& channel) const override;
    std::string name() const override { return "aXMLOMAccess"; }
    bool isA(const std::string& className) const override;

    // Formats 2 and 4 through a KavumExportHandler, 3 through a KavumFactsExportHandler; every
    // other format as the plain layer exports it (1 is its F-Logic export).
    bool exportBase(int format, const std::string& fileName, const std::string& docType,
                    const std::string& externalId, const std::string& rootText) override;

    // node.export@(A, F) writes the node as XML into the file F; parse@(xml | dtd [, X]) of a
    // URL loads it. The result of the load, or 0.
    int isWebAttribute(const InternalName& host, const InternalName& method,
                       const InternalName* args, int argCount, int type,
                       const InternalName& value) override;
    // Loads the documents asked of the host as parse@(prolog | dtd | xml) and parse@(dtd, X).
    void materialize(const InternalName& host) override;
    // A stored fact that names a document loads it again.
    bool printedFactsRestoreBase() const override { return false; }
    // parse@(prolog), parse@(xml), parse@(dtd) and their forms with a target X; 0 for any other
    // argument list.
    int lazyAccess(const InternalName& host, const InternalName& method, const InternalName* args,
                   int argCount, const InternalName& document) override;
    // Sub-elements "=>>", attributes "@=>>", defaults "@*->>" (the enumeration default "*->"),
    // subclasses "::".
    void mapDTD(const InternalName& document, const std::string& fileName,
                const InternalName& target, const std::string& shownName) override;

    // Finds or makes the value object of a step into result; non-zero when a fact was stored.
    virtual int insertXMLPath(const InternalName& host, const InternalName& method,
                              const InternalName* args, int argCount, PathStep type, Axis axis,
                              InternalName& result);
    virtual int insertXMLSet(const InternalName& host, const InternalName& method,
                             const InternalName* args, int argCount, MethodType type, Axis axis,
                             const set<InternalName>& values);
    // Non-zero when a fact was inserted.
    virtual int insertXMLValue(const InternalName& host, const InternalName& method,
                               const InternalName* args, int argCount, MethodType type, Axis axis,
                               const InternalName& value);
    // Prints the URL and pointer of a link value, loads the linked document with its root fact
    // and prints the query the link stands for (not evaluated).
    void followLink(const InternalName& linkValue) override;

    int transparentLinks() const { return followLinks; }

  protected:
    // Only the kinds this layer asks for: prolog (1), DTD (2) and parsed XML (6).
    void importDocument(const InternalName& document, const std::string& fileName,
                        const ParseRequest& request, const UrlParts& parts) override;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<XMLOMAccess>& shellCommands();

    // The object whose child x is; UndefinedObject for a root.
    InternalName parentOf(const InternalName& x);
    // The fresh object of a new function symbol.
    InternalName freshObject();
    // The element object that stands for a literal written under a child or descendant step.
    int insertWrappedLiteral(const InternalName& host, const InternalName& method,
                             const InternalName* args, int argCount, MethodType type,
                             const InternalName& value);
    // method : tag and method :: node, as the import records element classes.
    void elementClass(const InternalName& method);
    // The texts of an element written with "->>" text() are joined in its mapped name.
    void joinText(const InternalName& element, const InternalName& text);
    // The object whose child relation points at the document: its root element.
    InternalName documentRoot(const InternalName& document);
    void exportNode(const InternalName& node, const InternalName& docType,
                    const InternalName& file);
};

// The class object registered as "classXMLOMAccess": "new"@(anOM) makes an XMLOMAccess over it.
// Each access layer it makes uses the axis iterators (none: null) and export handlers it was given.
class XMLOMAccessMeta : public XMeta {
  public:
    explicit XMLOMAccessMeta(AxisIteratorFactory* axes = nullptr,
                             ExportHandlerFactory exports = {});
    ~XMLOMAccessMeta() override = default;

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;

  private:
    AxisIteratorFactory* axes;
    ExportHandlerFactory exports;
};
