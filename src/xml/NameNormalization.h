// The two text functions every element name, attribute name and text of an imported document
// goes through.
#pragma once

#include <string>

// Lower-case ASCII letters and digits stay, upper-case ASCII letters become lower case, every
// other byte becomes "_": Order-Line and order_line name the same object. The test is per byte,
// so a two-byte UTF-8 letter gives "__" and the result keeps the length of the name.
std::string normalizeName(const std::string& name);

// Every double quote gains a backslash in front, so the text can stand between double quotes
// as a string constant; everything else (escapes of the event stream included) is copied.
std::string normalizeText(const std::string& text);
