// The state machine of the HTML extraction over the tokens of the HTML scanner.
#include "xml/HtmlExtractor.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "access/OMAccess.h"
#include "xml/HtmlScanner.h"
#include "xml/UrlText.h"
#include "xml/WebFetcher.h"

namespace {

enum class Tag { Title = 0, A = 1, Address = 3, Other = 4 };

enum class State {
    Outside = 1,
    StartTag = 2,
    AfterTitleOrAddress = 3,
    InsideText = 4,
    InsideA = 5,
    EndTag = 6,
    EndTagName = 7
};

std::string upperCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string joined(const std::string& before, const std::string& text) {
    return before.empty() ? text : before + " " + text;
}

// One extraction: the machine's state, its two stacks and the text gathered so far.
class Extraction {
  public:
    Extraction(OMAccess& access, WebFetcher& fetcher, const HtmlSchema& schema,
               const InternalName& document)
        : access(access), fetcher(fetcher), schema(schema), document(document) {}

    void step(int token, const std::string& tokenText) {
        const std::string upper = upperCase(tokenText);
        switch (state) {
            case State::Outside:
                if (token == HtmlTagOpen) state = State::StartTag;
                if (token == HtmlEndTagOpen) state = State::EndTag;
                break;
            case State::StartTag:
                startTag(token, upper);
                break;
            case State::AfterTitleOrAddress:
                state = token == HtmlTagClose ? State::InsideText : State::Outside;
                break;
            case State::InsideText:
                if (token == HtmlWord || token == HtmlString) text = joined(text, tokenText);
                if (token == HtmlTagOpen) state = State::StartTag;
                if (token == HtmlEndTagOpen) state = State::EndTag;
                break;
            case State::InsideA:
                insideA(token, tokenText);
                break;
            case State::EndTag:
                if (token == HtmlWord) {
                    tag = upper == "A"         ? Tag::A
                          : upper == "TITLE"   ? Tag::Title
                          : upper == "ADDRESS" ? Tag::Address
                                               : Tag::Other;
                    state = State::EndTagName;
                }
                break;
            case State::EndTagName:
                if (token == HtmlTagClose) closeEndTag();
                break;
        }
        previousUpper = upper;
    }

  private:
    void startTag(int token, const std::string& upper) {
        if (token == HtmlTagClose) {
            state = texts.empty() ? State::Outside : State::InsideText;
        } else if (token != HtmlWord) {
            return;
        } else if (upper == "A") {
            open(Tag::A);
            text.clear();
            linkTarget = InternalName::UndefinedObject;
            hrefFlag = false;
            state = State::InsideA;
        } else if (upper == "TITLE") {
            // Unlike ADDRESS, the title keeps the text gathered before it.
            open(Tag::Title);
            state = State::AfterTitleOrAddress;
        } else if (upper == "ADDRESS") {
            open(Tag::Address);
            text.clear();
            state = State::AfterTitleOrAddress;
        } else {
            tag = Tag::Other;
        }
    }

    void open(Tag kind) {
        tag = kind;
        tags.push_back(kind);
        texts.push_back(text);
    }

    void insideA(int token, const std::string& tokenText) {
        if (token == HtmlEquals) {
            hrefFlag = previousUpper == "HREF";
        } else if ((token == HtmlWord || token == HtmlString) && hrefFlag) {
            if (text.empty()) text = tokenText;  // the first value wins
        } else if (token == HtmlTagClose) {
            closeAStartTag();
            state = State::InsideText;
        }
    }

    // The HREF value, gathered in the text, becomes the link target; the text starts afresh for
    // the anchor text.
    void closeAStartTag() {
        if (!text.empty()) {
            fetcher.normalizeUrl(linkTarget, text);
            access.insertClassRelation(linkTarget, schema.url, IsaRelation::Member);
        }
        if (!texts.empty()) {
            const std::string outer = texts.back();
            texts.pop_back();
            text = joined(outer, text);
            texts.push_back(text);
        }
        text.clear();
    }

    void closeEndTag() {
        if (tags.empty()) {
            state = State::Outside;
            return;
        }
        if (tags.back() != tag) {
            state = texts.empty() ? State::Outside : State::InsideText;
            return;
        }
        tags.pop_back();
        const std::string own = text;
        if (!texts.empty()) {
            text = joined(texts.back(), text);
            texts.pop_back();
        }
        if (tag == Tag::Address) {
            access.insertValue(document, schema.address, nullptr, 0, MethodType::Set, quoted(text));
        } else if (tag == Tag::Title) {
            access.insertValue(document, schema.title, nullptr, 0, MethodType::Scalar,
                               quoted(text));
        } else if (tag == Tag::A && linkTarget != InternalName::UndefinedObject) {
            const InternalName anchor = quoted(own);
            access.insertValue(document, schema.hrefs, &anchor, 1, MethodType::Set, linkTarget);
        }
        if (!tags.empty()) {
            tag = tags.back();
            texts.push_back(text);
            state = State::InsideText;
        } else {
            state = State::Outside;
        }
        text.clear();
    }

    InternalName quoted(const std::string& value) {
        InternalName out;
        return access.nameFromString(out, "\"" + value + "\"", InternalName::String);
    }

    OMAccess& access;
    WebFetcher& fetcher;
    const HtmlSchema& schema;
    InternalName document;
    State state = State::Outside;
    Tag tag = Tag::Other;
    std::vector<Tag> tags;
    std::vector<std::string> texts;
    std::string text;
    InternalName linkTarget = InternalName::UndefinedObject;
    bool hrefFlag = false;
    std::string previousUpper;
};

}  // namespace

HtmlExtractor::HtmlExtractor(OMAccess& access, WebFetcher& fetcher, const HtmlSchema& schema)
    : access(access), fetcher(fetcher), schema(schema) {}

void HtmlExtractor::extractHtml(const InternalName& document, const std::string& fileName) {
    // A folder opens but cannot be read; it counts as a file that cannot be opened.
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error)) return;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return;
    HtmlScanner scanner(&in);
    Extraction extraction(access, fetcher, schema, document);
    for (int token = scanner.yylex(); token != HtmlEnd; token = scanner.yylex()) {
        extraction.step(token, std::string(scanner.text(), scanner.length()));
    }
}
