// DocumentHead: the first 64 KB of a document file, read once, and what the import learns from
// them before the parse: whether it may declare entities, the encoding it is read in, and the
// system identifier of its document type.
#pragma once

#include <string>
#include <string_view>

// The encoding the XML declaration at the head of a document's text names, in lower case (after
// a UTF-8 byte-order mark, if there is one); empty without a declaration, "-" for a declaration
// that names none.
std::string declaredEncoding(std::string_view head);
// Whether an encoding name (in any letter case) is one of the names of UTF-8.
bool namesUtf8(std::string_view encoding);

class DocumentHead {
  public:
    static constexpr std::size_t size = 65536;

    // A file that cannot be read has an empty head that is not readable.
    explicit DocumentHead(const std::string& file);

    bool readable() const { return opened; }
    // False only when the head shows the document has no document type declaration (and so no
    // entities of its own): after an optional byte-order mark, blanks, processing instructions
    // and comments, its first element starts within the head. Anything else, an encoding with
    // NUL bytes included, may declare entities; a file that cannot be read declares none (the
    // parser reports it).
    bool mayDeclareEntities() const;
    // Whether the document's bytes must be UTF-8: an XML declaration without an encoding or
    // naming UTF-8, or, when the document is read as XML, no declaration and no byte-order mark
    // of another encoding. False for a file that cannot be read.
    bool readAsUtf8(bool xml) const;
    // The system identifier of the document type declaration ("<!DOCTYPE name SYSTEM "id">" or
    // with a public identifier before it), empty when the head names none.
    std::string doctypeSystemId() const;

  private:
    // Where the prolog's first markup other than blanks, processing instructions and comments
    // starts; npos when the head ends before it.
    std::size_t firstMarkup() const;

    std::string text;
    bool opened = false;
};
