// PrintedForms, the printed forms of the object base's names (also of the objects made for paths
// and function terms), written by a walk or made once while a dump keeps them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "objectbase/FSymbol.h"
#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"
#include "objectbase/LexicalFormCache.h"

class MainMemOM;

// A name's form is its symbol's text, a number's digits, or, for a made object, the form of what
// made it: f(a1, ..., an) (a list as [a, b | t]) for a function term, host.method@(args) for a
// scalar path. The parts are found in the base that owns this; nothing here changes the base.
// Forms are written from an explicit stack, since a list a rule builds nests thousands deep, and
// an object that occurs inside its own form leaves that inner place empty.
//
// While forms are kept (keep(true) .. keep(false), nested) the base must not change: the parts of
// each made term and the form of each name are then made once and copied where they occur again.
class PrintedForms {
  public:
    explicit PrintedForms(MainMemOM& base) : base(base) {}
    PrintedForms(const PrintedForms&) = delete;
    PrintedForms& operator=(const PrintedForms&) = delete;

    // Appends the form of `name` to `out` (quote: strings in quotes; style 1 a path in
    // parentheses, 2 a list's tail); 0 when the name has no form, or a made object's row is gone.
    int write(const InternalName& name, std::string& out, int quote, int style);
    // Begins (true) or ends (false) a stretch in which forms are kept.
    void keep(bool keep);
    bool keeping() const { return formKeepers > 0; }
    // The text of a method for an entry of the type ("@" before it for the "@" types): the kept
    // one while forms are kept, else made in `scratch`.
    const std::string& methodText(const InternalName& method, int type, std::string& scratch);

  private:
    // The printed form f(a1, ..., an) (or the list form) of an object made for a function term,
    // and the form host.method@(args) of an object made for a scalar path (in parentheses in
    // style 1): the text they start with goes to `out`, their parts onto the steps that
    // write writes next. 0, and nothing written, when the object's row is gone.
    int functionTermForm(const InternalName& object, std::string& out, int quote, int style);
    int pathForm(const InternalName& object, std::string& out, int quote, int style);
    // One step of writing a printed form (see write): a name to write in a style, a
    // piece of text, or the end of the form of a made object (which leaves formsInProgress).
    struct FormStep {
        enum Kind : std::uint8_t { Name, Text, Leave, LeaveKept };
        Kind kind = Text;
        std::int8_t style = 0;
        InternalName name;
        const char* text = "";

        static FormStep part(const InternalName& name, int style) {
            return {Name, static_cast<std::int8_t>(style), name, ""};
        }
        static FormStep piece(const char* text) { return {Text, 0, InternalName(), text}; }
        static FormStep leave(const InternalName& name) { return {Leave, 0, name, ""}; }
        // The end of a made term whose parts are kept: its entry in keptList is no longer open.
        static FormStep leaveKept(std::uint32_t at) {
            FormStep step{LeaveKept, 0, InternalName(), ""};
            step.at = at;
            return step;
        }
        std::uint32_t at = 0;
    };
    // Writes the text a name's form starts with and pushes the steps of the rest; the result as
    // write's.
    int writeFormStep(const InternalName& name, int quote, int style, std::string& out);
    // Pushes steps to be written in the order given.
    void pushFormSteps(std::initializer_list<FormStep> steps);
    // write without the kept forms: a walk over the steps of the form.
    int walkLexicalForm(const InternalName& name, std::string& out, int quote, int style);
    // write while forms are kept: the form made once (see LexicalFormCache).
    int keptLexicalForm(const InternalName& name, std::string& out, int quote, int style);
    // The kept form of a name, made when it is not kept yet; `none` when a stop request cut the
    // making short.
    std::uint32_t keptForm(const InternalName& name, int quote, int style);
    // Makes the form of a made object and of the made objects in it that are not kept yet.
    std::uint32_t makeKeptForm(const InternalName& name, int quote, int style);
    // Begins the form of a made object in the making: its pieces go onto formPieces.
    void openKeptForm(const InternalName& name, int style);
    // True while the form of a made object is in the making (a cycle meets it again).
    bool keptFormOpen(const InternalName& made);
    // The entry of a host's frame that holds a path object: its type (0 or 3), its method and,
    // for an entry with arguments, those of its row. False when no entry holds it.
    bool pathParts(const InternalName& object, InternalName& host, int& type, InternalName& method,
                   bool& withArguments, std::vector<InternalName>& arguments);
    // The made objects whose printed form is being written (see write).
    FlatNameMap<InternalName, bool> formsInProgress;
    // What the printed forms look up, kept while forms are kept (formKeepers > 0): the function
    // and defining row of each made term, and the text of each symbol. A save of the prefix
    // lists of a list of 5,000 elements (25 MB) spent four fifths of its time finding them again
    // for every cell of every list.
    struct TermParts {
        FSymbol function;
        const InternalName* row = nullptr;
    };
    // The function and the row that define a made term (width its arity); false when none does.
    // The row stays valid until the next call.
    bool termParts(const InternalName& made, int width, TermParts& out);
    // Uncached: what termParts answers.
    bool findTermParts(const InternalName& made, int width, TermParts& out);
    struct KeptParts {
        FSymbol function;
        std::uint32_t at = 0;  // the first cell of the row in keptCells
        bool found = false;
        // Its form is being written: the walk that meets it again is in a cycle. Kept here, a
        // cell of a list costs one hash probe, not three.
        bool open = false;
    };
    // The entry of a made term in keptList, found or made.
    std::uint32_t keptIndex(const InternalName& made, int width);
    // The symbol bound to a name and its text; false when none is bound. The text stays valid
    // until the next call.
    bool boundSymbol(const InternalName& name, FSymbol& symbol, const std::string*& text);
    int formKeepers = 0;
    FlatNameMap<InternalName, std::uint32_t> keptParts;
    std::vector<KeptParts> keptList;
    std::vector<InternalName> keptCells;
    // The last term keptIndex answered, asked again at once by functionTermForm.
    InternalName lastKept = InternalName::UndefinedObject;
    std::uint32_t lastKeptAt = 0;
    std::string symbolScratch;
    // The text of each method as its entries show it ("@" before it for the "@" types), made
    // once a save: a base has few methods and each is written once an entry. The place of the
    // plain form in keptMethodTexts; the "@" form follows it.
    FlatNameMap<InternalName, std::uint32_t> keptMethodAt;
    std::vector<std::string> keptMethodTexts;
    // The steps of the printed forms being written, the next one last.
    std::vector<FormStep> formSteps;
    // The forms made while forms are kept, freed when the keeping ends.
    LexicalFormCache keptForms;
    // A piece of the form of a made object: fixed text, or the form of a name in a style.
    struct FormPiece {
        const char* text = nullptr;
        InternalName name;
        std::int8_t style = 0;
    };
    // A made object whose form is being made: its pieces are formPieces[next, end).
    struct FormInMaking {
        InternalName name;
        std::int8_t style = 0;
        bool cut = false;  // a cycle left a part empty: the form holds only where it was made
        int result = 1;
        std::uint32_t begin = 0;
        std::uint32_t next = 0;
        std::uint32_t end = 0;
        std::uint32_t kept = 0;  // of a function term: its entry in keptList
    };
    std::vector<FormInMaking> formsInMaking;
    // Ends the making of a form: its object is no longer open.
    void closeKeptForm(FormInMaking& making);
    std::vector<FormPiece> formPieces;
    // The text made so far of each form in the making, by depth (kept for their storage).
    std::vector<LexicalFormCache::Form> formTexts;
    // The form of a name that is no made object, while it is made.
    LexicalFormCache::Form plainForm;

    MainMemOM& base;
};
