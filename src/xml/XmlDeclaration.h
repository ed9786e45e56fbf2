// The SGML declaration under which documents are parsed as XML, built into the program.
#pragma once

// The catalog the parser is given for a document read as XML: it names the declaration below.
// Both are read through the parser's "BUILTIN" storage manager, so no installed file decides
// which characters a name may hold.
inline constexpr const char* builtinXmlCatalog = "<BUILTIN>xml-catalog";

// The catalog's text, and the declaration's. The declaration's character set holds every
// character an XML 1.0 document may hold (the controls from 0x7F to 0x9F and the planes beyond
// U+FFFF included), and its name characters are those of XML 1.0, fifth edition: a name such as
// "w𝄞x" is one name, not the name "w" and text after it.
const char* builtinXmlCatalogText();
const char* builtinXmlDeclarationText();
