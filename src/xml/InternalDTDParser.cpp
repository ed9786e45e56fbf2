// The DTD parser's driver: one grammar call an input, the start-condition stack, token values and
// the syntax-error report.
#include "xml/InternalDTDParser.h"

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "xml/DTDScanner.h"

InternalDTDParser::InternalDTDParser(std::istream* in, std::ostream* out)
    : scanner(std::make_unique<DTDScanner>(in, out)) {}

InternalDTDParser::~InternalDTDParser() = default;

void InternalDTDParser::reset(std::string fileName) {
    parsed = false;
    scanner->setLineNumber(1);
    scanner->setFileName(std::move(fileName));
}

InternalDTD* InternalDTDParser::parse(int* ok) {
    if (parsed) {
        if (ok != nullptr) *ok = 0;
        return nullptr;
    }
    parsed = true;
    errorReported = false;
    atInputEnd = false;
    depth = 0;
    push(DTDScanner::initial);
    push(DTDScanner::declarations);
    build.start();
    int result = DTDparse(*this);
    // A report from the start-condition stack or the input leaves a grammar that may still have
    // accepted; the model is then incomplete and is not handed out.
    Ref<InternalDTD> dtd = result == 0 && !errorReported ? build.finish() : nullptr;
    build.discard();
    if (ok != nullptr) *ok = dtd ? 1 : 0;
    return dtd.release();
}

std::string InternalDTDParser::locationText() const {
    return scanner->position() + " parse error near '" + (atInputEnd ? "" : scanner->text()) +
           "' : ";
}

void InternalDTDParser::yyerror(const char* message) {
    if (errorReported) return;
    centralErrorHandler().report(
        Error(3, 1, 2, "ParseError", locationText() + message, "FParser::yyparse()", ""));
    errorReported = true;
}

int InternalDTDParser::yylex(DTDSTYPE* value) {
    for (;;) {
        int token = scanner->yylex();
        atInputEnd = token == 0;
        if (token == 0 && scanner->inputFailed()) {
            // The scanner has reported the unreadable input; that is the parse's one report.
            errorReported = true;
        }
        bool inComment = depth > 0 && conditions[depth - 1] == DTDScanner::comment;
        switch (token) {
            case DTD_ELEMENT_OPEN:
            case DTD_DOCTYPE_OPEN:
            case DTD_ATTLIST_OPEN:
            case DTD_SUBCLASS_OPEN:
            case DTD_ENTITY_OPEN:
            case DTD_NOTATION_OPEN:
                push(DTDScanner::declaration);
                break;
            case DTD_DECLARATION_END:
                popUntil(DTDScanner::declaration);
                break;
            case DTD_LBRACKET:
                push(DTDScanner::declarations);
                break;
            case DTD_RBRACKET:
                popUntil(DTDScanner::declarations);
                break;
            case DTD_LPAREN:
            case DTD_INCLUSIONS:
            case DTD_EXCLUSIONS:
                push(DTDScanner::group);
                break;
            case DTD_RPAREN:
            case DTD_RPAREN_OPTIONAL:
            case DTD_RPAREN_REPEATED:
            case DTD_RPAREN_AT_LEAST_ONCE:
                popUntil(DTDScanner::group);
                break;
            case DTD_COMMENT_OPEN:
                push(DTDScanner::declaration);
                push(DTDScanner::comment);
                break;
            case DTD_COMMENT:
                // A comment within a declaration is passed over like white space.
                if (inComment) {
                    popUntil(DTDScanner::comment);
                } else {
                    push(DTDScanner::comment);
                }
                continue;
            case DTD_INSTRUCTION_OPEN:
                push(DTDScanner::instruction);
                break;
            case DTD_INSTRUCTION_END:
                popUntil(DTDScanner::instruction);
                break;
            case DTD_TEXT:
                if (inComment) continue;
                value->text = dtd::copyText(scanner->text());
                break;
            case DTD_NAME:
            case DTD_LITERAL:
                value->text = dtd::copyText(scanner->text());
                break;
            default:
                // Keywords and the minimisation letter may stand for names.
                if (token == DTD_OMIT || (token >= DTD_CDATA && token <= DTD_DEFAULT)) {
                    value->word = keywordSpellings.insert(scanner->text()).first->c_str();
                }
        }
        return token;
    }
}

void InternalDTDParser::push(int condition) {
    if (depth == stackSize) {
        yyerror("Lex state stack  overflow");
    } else {
        conditions[depth++] = condition;
    }
    scanner->enterCondition(condition);
}

void InternalDTDParser::popUntil(int condition) {
    for (;;) {
        if (depth == 0) {
            yyerror("Lex state stack underflow");
            break;
        }
        int popped = conditions[--depth];
        if (popped == condition || condition == DTDScanner::initial) break;
    }
    scanner->enterCondition(depth > 0 ? conditions[depth - 1] : DTDScanner::initial);
}
