// FTermList, a list of terms: the head of a clause and the argument lists of the grammar.
#pragma once

#include "foundation/clib_list.h"
#include "language/ParseTreeNode.h"

class FTerm;

class FTermList : public ParseTreeNode {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::FTermList;
    // An empty list, or one holding `first` (a reference taken).
    explicit FTermList(FTerm* first = nullptr);
    // Clones of the source's terms.
    FTermList(const FTermList& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // The terms separated by ", ".
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    // Equal length and pairwise deep-equal terms.
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    // By length, then term by term.
    int compareSameClass(const ParseTreeNode& other) const override;

    // Appends a clone of every term of the other list.
    void appendClones(const FTermList& other);
    // Appends the term, taking a reference.
    list_item append(FTerm* term);
    int length() const { return terms.length(); }
    list_item firstItem() const { return terms.first_item(); }
    list_item lastItem() const { return terms.last_item(); }
    list_item nextItem(list_item item) const { return terms.next_item(item); }
    // The item holding this very term pointer, or null.
    list_item search(FTerm* term) const { return terms.search(term); }
    bool isEmpty() const { return terms.empty(); }
    // Empties the list without releasing: the caller takes over the list's references.
    void clear() { terms.clear(); }
    // Removes the item; the list's reference to its term passes to the caller.
    FTerm* removeItem(list_item item) { return terms.del_item(item); }
    // The first term; null for an empty list.
    FTerm* head() const { return terms.empty() ? nullptr : terms.inf(terms.first_item()); }
    FTerm* termAt(list_item item) const { return terms.inf(item); }
    const clib_list<FTerm*>& getList() const { return terms; }

  protected:
    ~FTermList() override;

  private:
    clib_list<FTerm*> terms;
};
