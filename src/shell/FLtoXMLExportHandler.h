// FLtoXMLExportHandler: the export of F-Logic objects as XML elements, shaped by the signatures.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "foundation/set.h"
#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"
#include "shell/XMLExportHandler.h"

class Iterator;

// Signature-declared single values become attributes, sets of objects reference lists, entries
// with arguments child elements; an object held by one declared entry only is nested in the
// element of its holder instead of getting an element of its own.
class FLtoXMLExportHandler : public XMLExportHandler {
  public:
    explicit FLtoXMLExportHandler(OMAccess* access);

    bool isA(const std::string& className) const override;

    void writeHeader(ExportRequest& request) override;
    void writeTrailer(ExportRequest& request) override;
    void writeBody(ExportRequest& request) override;
    void writeObject(const InternalName& object, std::int32_t format) override;

    // Adds one entry of the object (signature S positioned on its row) to the attributes or the
    // child content of the element being built.
    virtual void writeEntry(const InternalName& object, const InternalName& method, int argCount,
                            int type, Iterator* signature, std::string& attributes,
                            std::string& content, std::string indent);
    // The argument attributes of one value row, named after the signature's argument classes.
    virtual std::string argumentsText(int argCount, Iterator* valueRow, Iterator* signatureRow);
    // The element of a nested object, named after the method that holds it.
    virtual std::string nestedElementText(const InternalName& method, const InternalName& object,
                                          std::string indent);
    virtual std::string valueSetText(const InternalName& method, const InternalName& cls,
                                     const InternalName& value, std::string& arguments);
    virtual std::string singleValueText(const InternalName& method, std::string& arguments,
                                        const InternalName& cls, const InternalName& value);

  protected:
    ~FLtoXMLExportHandler() override;

  private:
    // The shared values of step one and the nested names they leave.
    void collectNested(const InternalName& docClass);
    // Builds the entries of an element (with text() nodes inside nested ones); answers how many
    // declared entries the object has.
    int writeEntries(const InternalName& object, std::string& attributes, std::string& content,
                     const std::string& indent, bool textNodes);
    // Whether a value is written inside its holder: nested, not already on the path of elements
    // being built (objects that hold each other would nest without end), and not deeper than
    // maxNesting: a chain of thousands of objects would exhaust the stack. An object not nested
    // is referred to by name and written at the top level.
    static constexpr std::size_t maxNesting = 256;
    bool nestsHere(const InternalName& value) const;
    // The one class of a set of classes, or the first of its most specific ones.
    InternalName mostSpecific(const set<InternalName>& classes);
    // A class, or the most specific member of a set of classes.
    InternalName resultClass(const InternalName& cls);
    // A built-in class: its object, or the plain-mode class named by its symbol.
    bool isBuiltin(const InternalName& cls, const InternalName& builtin, const FSymbol& symbol);
    // The built-in class or a subclass of it.
    bool literalClass(const InternalName& cls, const InternalName& literal, const FSymbol& symbol);
    bool literalClassFound(const InternalName& cls, const InternalName& literal,
                           const FSymbol& symbol);

    // The signature that decides how an entry is written depends only on the sequence of the
    // host's classes, the method, its arguments and its arrow: it is looked up once for each such
    // key, not once an entry (that lookup was most of the export's time). The answers are
    // positioned on their first row and kept until the end of the body; null when none.
    int classSetOf(const InternalName& object);
    Iterator* signatureOf(int classSet, const InternalName& method, int argCount, int type);
    void forgetSignatures();
    // The signatures a class declares for a method with arguments, walked anew (first()) for
    // every value row.
    Iterator* declaredSignatures(const InternalName& declaring, const InternalName& method,
                                 int argCount, int type);
    std::map<std::tuple<InternalName, InternalName, int, int>, Iterator*> declared;
    // The method type an arrow names, read from its text once for each arrow.
    std::optional<MethodType> arrowType(const InternalName& arrow);
    std::map<InternalName, std::optional<MethodType>> arrowTypes;
    std::map<std::vector<InternalName>, int> classSetNumbers;
    std::vector<std::vector<InternalName>> classSets;
    struct SignatureKey {
        int classSet;
        InternalName method;
        int argCount;
        int type;
        bool operator==(const SignatureKey&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const SignatureKey& key) const;
        std::size_t operator()(const InternalName& name) const;
    };
    std::unordered_map<SignatureKey, Iterator*, KeyHash> signatures;
    std::unordered_map<InternalName, int, KeyHash> hostSets;
    // Whether a class lies below a built-in literal class, asked once for each pair.
    std::map<std::pair<InternalName, InternalName>, bool> literalClasses;

    set<InternalName>* nested = nullptr;
    // The nested objects written so far, and the objects whose elements are being built.
    set<InternalName> written;
    set<InternalName> path;
};
