// The check that a document file read as UTF-8 holds only well-formed UTF-8.
#pragma once

#include <string>

// Whether a document's bytes must be UTF-8: an XML declaration without an encoding or naming
// UTF-8, or, when the document is read as XML, no declaration and no byte-order mark of
// another encoding.
bool readAsUtf8(const std::string& file, bool xml);

// The line (from 1) of the first byte of the file that is not part of a well-formed UTF-8
// sequence (overlong forms, surrogates and values above 0x10FFFF included), 0 when there is none
// or the file cannot be read.
unsigned long firstInvalidUtf8Line(const std::string& file);
