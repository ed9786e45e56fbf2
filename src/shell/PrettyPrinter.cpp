// The answer printer: headings, answer rows by style, value names by mode, its shell methods and
// class object. The html style's answer file and browser are in PrettyPrinterHtml.cpp.
#include "shell/PrettyPrinter.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "access/ExportHandler.h"
#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "language/FLiteralList.h"
#include "language/FRule.h"
#include "objectbase/CellHash.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "objectbase/SymTab.h"
#include "platform/ControlEvents.h"
#include "platform/InterruptFlag.h"
#include "shell/KavumExportHandler.h"
#include "shell/PPVarSymTab.h"

namespace {

// A whole number's printed text, as the object base writes it: its decimal digits.
void appendDigits(std::int32_t value, std::string& out) {
    char digits[16];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, written.ptr);
}

// A word and the setting it selects.
struct Word {
    const char* word;
    std::int32_t value;
};
const Word styleWords[] = {{"instance", PrettyPrinter::Instance},
                           {"bound", PrettyPrinter::Bound},
                           {"resultSet", PrettyPrinter::ResultSet},
                           {"html", PrettyPrinter::Html}};
const Word modeWords[] = {{"poor", PrettyPrinter::Poor},
                          {"const", PrettyPrinter::Const},
                          {"first", PrettyPrinter::First},
                          {"best", PrettyPrinter::Best}};
const Word annotatedWords[] = {{"on", 1}, {"off", 0}};

// The value of a word in the table; false (after a WrongArgument report) for any other word.
template <std::size_t N>
bool lookupWord(const Word (&table)[N], const std::string& word, std::int32_t& out) {
    for (const Word& entry : table) {
        if (word == entry.word) {
            out = entry.value;
            return true;
        }
    }
    centralErrorHandler().report(err11::WrongArgument_2);
    return false;
}

const std::string undefinedText = "_";
const std::string unprintableText = "???";

// The query as the rule printer writes it, without its end of line.
std::string queryText(FRule* query, SymTab* names) {
    std::ostringstream text;
    OutputChannel channel;
    channel.setStream(Ref<FLSysOStreamImpl<std::ostringstream>>::make(&text).get());
    query->print(channel, names, query->getSymTab());
    channel.releaseStreams();
    std::string result = std::move(text).str();
    while (!result.empty() && result.back() == '\n') result.pop_back();
    return result;
}

}  // namespace

PPProtocol* makePrettyPrinter(OMAccess* access) {
    return new PrettyPrinter(access);
}

PrettyPrinter::PrettyPrinter(OMAccess* access)
    : omAccess(Ref<OMAccess>::share(access)),
      symTab(Ref<SymTab>::share(access != nullptr ? access->giveSymTab() : nullptr)),
      varSymTab(Ref<PPVarSymTab>::make()) {}

PrettyPrinter::~PrettyPrinter() {
    // Answers printed after the printer is gone must not keep going into its file.
    leaveAnswerChannel();
    htmlStream.reset();
    symTab.reset();
    omAccess.reset();
    varSymTab.reset();
}

FLSysRef PrettyPrinter::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<PPProtocol>(*this, name, args);
}

// The word of a call taking one string; null after the check has reported a wrong argument.
static const FLSysString* wordArgument(PrettyPrinter& printer, FLSysArgs* args) {
    FLSysObject* argument = nullptr;
    if (!printer.checkArgs1(args, "FLSysString", argument)) return nullptr;
    return static_cast<FLSysString*>(argument);
}

const ShellCommands<PrettyPrinter>& PrettyPrinter::shellCommands() {
    static const ShellCommands<PrettyPrinter> table{
        {"", "                     Online help for class PrettyPrinter", "", "",
         "You can apply the following member functions to an instance of class PrettyPrinter via "
         "F-Logic shell : ",
         ""},
        {
            {"help", ShellArgs::NoneReported,
             [](PrettyPrinter& self, FLSysArgs*) -> FLSysRef {
                 self.help();
                 return FLSysRef::share(&self);
             },
             coreMethodsHelp()},
            {"limit",
             ShellArgs::Any,
             [](PrettyPrinter& self, FLSysArgs* args) -> FLSysRef {
                 FLSysObject* argument = nullptr;
                 if (!self.checkArgs1(args, "FLSysInteger", argument)) return nullptr;
                 self.limit = static_cast<FLSysInteger*>(argument)->value();
                 return FLSysRef::share(&self);
             },
             {"    - limit@(number)", "          print only 'number' results"}},
            {"nolimit",
             ShellArgs::NoneReported,
             [](PrettyPrinter& self, FLSysArgs*) -> FLSysRef {
                 self.limit = -1;
                 return FLSysRef::share(&self);
             },
             {"    - nolimit", "          print all results (default)"}},
            {.help = {"    - print@(OutputChannel)", "          OutputChannel : e.g. answerChannel",
                      "    - display@(OutputChannel)",
                      "          OutputChannel : e.g. answerChannel"}},
            {"style",
             ShellArgs::Any,
             [](PrettyPrinter& self, FLSysArgs* args) -> FLSysRef {
                 const FLSysString* word = wordArgument(self, args);
                 if (word == nullptr) return nullptr;
                 self.style(word->value());
                 return FLSysRef::share(&self);
             },
             {"    - style@(string)",
              "          string: describes output style, possible arguments are: ",
              "               1. \"bound\"   : answers are printed in Prolog style",
              "               2. \"instance\": answers are printed in F-Logic syntax",
              "               3. \"html\"    : answers (in Prolog style) are written to an ",
              "                              html file that is displayed by netscape"}},
            {"mode",
             ShellArgs::Any,
             [](PrettyPrinter& self, FLSysArgs* args) -> FLSysRef {
                 const FLSysString* word = wordArgument(self, args);
                 if (word == nullptr) return nullptr;
                 self.mode(word->value());
                 return FLSysRef::share(&self);
             },
             {"    - mode@(string)", "          string: describes representation of objects, ",
              "                  possible arguments are: ",
              "                     1. \"poor\" : only OID's are printed ",
              "                     2. \"const\": only strings of constants are printed ",
              "                     3. \"first\": first string for object is printed",
              "                     4. \"best\" : best string for object is printed"}},
            {"clear",
             ShellArgs::NoneReported,
             [](PrettyPrinter& self, FLSysArgs*) -> FLSysRef {
                 self.clear();
                 return FLSysRef::share(&self);
             },
             {"    - clear",
              "          remove stored information and clear html file of html style "}},
            {"annotatedLiterals",
             ShellArgs::Any,
             [](PrettyPrinter& self, FLSysArgs* args) -> FLSysRef {
                 const FLSysString* word = wordArgument(self, args);
                 if (word == nullptr) return nullptr;
                 self.annotatedLiterals(word->value());
                 return FLSysRef::share(&self);
             },
             {"    - annotatedLiterals@(string)",
              "          string: switches printing of annotatedLiterals (XML), ",
              "                  possible arguments are: ",
              "                     1. \"on\" : resolve annoatedLiterals when printing",
              "                     2. \"off\": do not resolve"}},
        },
        {"", "", ""}};
    return table;
}

bool PrettyPrinter::isOk() const {
    return omAccess != nullptr && symTab != nullptr;
}

void PrettyPrinter::print(OutputChannel& channel) const {
    channel << "aPrettyPrinter";
}

bool PrettyPrinter::isA(const std::string& className) const {
    return className == "PrettyPrinter" || className == "PPProtocol" || PPProtocol::isA(className);
}

PPProtocol* PrettyPrinter::help() {
    shellCommands().writeHelp(helpChannel());
    return this;
}

void PrettyPrinter::describe(OutputChannel& channel) {
    channel << "This is a " << (isOk() ? "normal" : "corrupted") << " PrettyPrinter." << std::endl;
}

void PrettyPrinter::mode(const std::string& word) {
    if (!lookupWord(modeWords, word, mode_)) return;
    clearNameCache();
}

void PrettyPrinter::style(const std::string& word) {
    std::int32_t chosen = style_;
    if (!lookupWord(styleWords, word, chosen)) return;
    if (chosen == Html) {
        if (!openAnswerFile()) return;
    } else {
        // Only the printer's own html stream is taken off the answer channel: a stream the user
        // set there stays.
        leaveAnswerChannel();
    }
    style_ = chosen;
}

void PrettyPrinter::annotatedLiterals(const std::string& word) {
    lookupWord(annotatedWords, word, annotated);
}

void PrettyPrinter::beginQuery(FRule* query) {
    OutputChannel& channel = answerChannel();
    const bool html = style_ == Html;
    if (html) channel << "<BR> <BR> <H3>";
    channel << std::endl << "% Answer to query : ";
    if (query != nullptr) {
        // Written as it is without a copy: a query may hold a long string.
        const std::string text = queryText(query, symTab.get());
        if (html) {
            channel << htmlEscaped(text);
        } else {
            channel << text;
        }
    }
    if (html) channel << "</H3>";
    channel << std::endl;
}

void PrettyPrinter::makeOutput(FRule* query, Operand* answers) {
    if (OM* const base = omAccess ? omAccess->om() : nullptr) {
        if (base->changeStamp() != cacheStamp) clearNameCache();
        cacheStamp = base->changeStamp();
    }
    OutputChannel& channel = answerChannel();
    const bool html = style_ == Html;
    if (query == nullptr) channel << "(NULL ParseTreeNode)" << std::endl;
    if (answers == nullptr || answers->isEmpty()) {
        channel << "% false" << std::endl;
        if (html) {
            channel << "<BR>";
            showInBrowser();
        }
        return;
    }
    clib_list<FSymbol>* columns = answers->getColumns();
    if (columns == nullptr || columns->empty()) {
        channel << "% true" << std::endl;
        if (html) {
            channel << "<BR>";
            showInBrowser();
        }
        return;
    }
    // Rows cannot be named without the query's own symbol table.
    if (!isOk() || query == nullptr) return;

    SymTab* queryNames = query->getSymTab();
    std::vector<std::string> names;
    if (style_ == Bound || html) {
        names.reserve(columns->size());
        for (const FSymbol& column : *columns)
            names.push_back(queryNames != nullptr ? queryNames->giveName(column) : "NULL");
    }
    varSymTab->load(queryNames);

    const bool resultSet = style_ == ResultSet;
    Ref<ExportHandler> handler;
    if (resultSet) {
        // The handler writes the values on debugChannel, the printer its own lines on the
        // answer channel. With the default channels both reach the terminal in this order:
        // the error stream flushes the output stream before it writes.
        handler = Ref<KavumExportHandler>::make(omAccess.get());
        channel << "<result>" << std::endl;
    }
    controlEvents::clearInterrupt();

    std::vector<InternalName> values(columns->size());
    std::vector<const std::string*> texts(columns->size());
    // Only the instance style writes the query with the values in place of its variables.
    const bool bindValues = style_ == Instance;
    long printed = 0;
    long total = 0;
    bool refused = false;
    Ref<Iterator> keys = answers->makeIterator({});
    Ref<Iterator> rows;
    // The bound style's line is put together first and written whole: a write for each piece
    // cost more than finding the texts, and a flush for each row a tenth of printing many rows
    // (the summary after the rows flushes; an error reported between rows flushes first, as the
    // error stream is tied to the answers' stream). A whole number's text is its digits, written
    // where it goes rather than looked up and kept: the answers of a query over numbers hold
    // mostly numbers never printed before.
    const bool boundLines = style_ == Bound;
    const bool digitsAreText = (mode_ == First || mode_ == Best) && omAccess->om() != nullptr;
    for (bool key = keys && keys->first(); key; key = keys->next()) {
        rows = answers->makeGroupIterator(keys->atColumn(1), std::move(rows));
        if (resultSet && rows && rows->columns() != 1) {
            refused = true;
            break;
        }
        for (bool row = rows && rows->first(); row; row = rows->next()) {
            ++total;
            if (interruptFlag.load() != 0 || (limit >= 0 && printed >= limit)) continue;
            ++printed;
            if (boundLines) {
                line.clear();
                for (std::size_t at = 0; at < names.size(); ++at) {
                    const InternalName value = rows->atColumn(int(at) + 1);
                    line += names[at];
                    line += '/';
                    if (digitsAreText && value.getType() == InternalName::Integer &&
                        (annotated == 0 || !omAccess->isMapped(value))) {
                        appendDigits(value.getValue(), line);
                    } else {
                        line += mapToString(value);
                    }
                    line += "   ";
                }
                line += '\n';
                channel << line;
                continue;
            }
            int col = 0;
            for (const FSymbol& column : *columns) {
                values[col] = rows->atColumn(col + 1);
                texts[col] = &mapToString(values[col]);
                if (bindValues) varSymTab->bind(column, *texts[col]);
                ++col;
            }
            writeRow(values, texts, names, query, handler.get());
        }
    }
    rows = {};
    keys = {};
    if (resultSet) {
        // Released on every way out, so its formatter stops being the object base's dump target.
        handler.reset();
        if (refused) {
            centralErrorHandler().report(err12::NotAsResultSet);
            return;
        }
        channel << "</result>" << std::endl;
    }
    writeSummary(printed, total);
    if (html) showInBrowser();
}

void PrettyPrinter::writeRow(const std::vector<InternalName>& values,
                             const std::vector<const std::string*>& texts,
                             const std::vector<std::string>& names, FRule* query,
                             ExportHandler* handler) {
    OutputChannel& channel = answerChannel();
    switch (style_) {
        case Instance:
            if (query->getBody() != nullptr)
                query->getBody()->print(channel, symTab.get(), varSymTab.get());

            channel << "." << std::endl;
            break;
        case ResultSet:
            for (const InternalName& value : values) handler->writeObject(value, 2);
            channel << std::endl;
            break;
        case Html:
            for (std::size_t i = 0; i < texts.size(); ++i) {
                channel << "<STRONG>" << names[i] << "/"
                        << "</STRONG>";
                writeHtmlValue(*texts[i]);
            }
            channel << " <BR>" << std::endl;
            break;
        default:
            // The bound style's lines are written by makeOutput.
            break;
    }
}

void PrettyPrinter::writeSummary(long printed, long total) {
    OutputChannel& channel = answerChannel();
    const char* const before = style_ == Html ? "  <BR>" : "";
    const char* const after = style_ == Html ? "<BR>" : "";
    if (interruptFlag.load() != 0) {
        controlEvents::clearInterrupt();
        channel << before << std::endl << "Printing aborted" << std::endl << after;
    }
    channel << before << std::endl
            << "% " << printed << " output(s) printed " << std::endl
            << after;
    if (limit >= 0 && total > limit) {
        if (style_ == Html) channel << before << std::endl;
        channel << "% " << total << " result(s) all in all" << std::endl << after;
    }
}

void PrettyPrinter::makeString(const InternalName& name) {
    const int kind = name.getType();
    const int number = kind == InternalName::ParamFrame ? 2 : kind == InternalName::SetName ? 3 : 4;
    centralErrorHandler().report(
        Error(12, number, 2, "CannotPrint",
              "An InternalName could not be converted into a string by the PrettyPrinter.",
              "PrettyPrinter::makeString()",
              "The only description of the InternalName is : " + name.ToString()));
}

const std::string& PrettyPrinter::mapToString(const InternalName& value) {
    if (value == InternalName::UndefinedObject) return undefinedText;
    if (!value.isConstant()) {
        makeString(value);
        return unprintableText;
    }
    InternalName name = value;
    if (annotated != 0 && omAccess != nullptr && omAccess->isMapped(name))
        name = omAccess->mappedName(name);
    // A whole number the object base stores is found by its value: the answers of a query over
    // numbers come in ascending order, so this walks the table where a hash probe would jump.
    // The table reaches a few times as far as the entries are many, whatever numbers come; a
    // number past it when it was first printed has its entry by hash.
    const std::size_t reach = std::max<std::size_t>(numberedLeast, 8 * (cachedTexts.size() + 1));
    const bool numbered = name.getType() == InternalName::Integer && name.getArity() == 0 &&
                          name.getValue() >= 0 && std::size_t(name.getValue()) < reach;
    std::uint32_t* byValue = nullptr;
    if (numbered) {
        const auto number = static_cast<std::size_t>(name.getValue());
        if (number >= cachedByNumber.size())
            cachedByNumber.resize(std::min(reach, std::max(number + 1, cachedByNumber.size() * 2)));
        byValue = &cachedByNumber[number];
        if (*byValue != 0) return cachedTexts[*byValue - 1];
    }
    const std::uint64_t hash = hashCell(name);
    auto same = [this, &name](std::uint32_t n) { return cachedNames[n] == name; };
    if (const std::int64_t cached = cachedSlots.find(hash, same); cached >= 0) {
        if (byValue != nullptr) *byValue = std::uint32_t(cached) + 1;
        return cachedTexts[std::size_t(cached)];
    }

    std::string text;
    if (mode_ == Poor || (mode_ == Const && name.getArity() != 0)) {
        text = name.ToString();
    } else if (omAccess == nullptr || omAccess->giveLexicalForm(name, text, 1, 0) == 0) {
        text = unprintableText;
    }
    const auto entry = std::uint32_t(cachedTexts.size());
    if (numbered) {
        *byValue = entry + 1;
    } else {
        cachedSlots.add(hash, entry);
        cachedNames.resize(entry);
        cachedNames.push_back(name);
    }
    cachedTexts.push_back(std::move(text));
    return cachedTexts.back();
}

void PrettyPrinter::clearNameCache() {
    cachedNames.clear();
    cachedByNumber.clear();
    cachedTexts.clear();
    cachedSlots.release();
}

FLSysRef PrettyPrinterMeta::createInstance(FLSysArgs* args) {
    FLSysObject* access = nullptr;
    if (!checkArgs1(args, "OMAccess", access)) return nullptr;
    return Ref<PrettyPrinter>::make(static_cast<OMAccess*>(access));
}
