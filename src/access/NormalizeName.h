// normalizeName: the object name a text stands for (string2object here, element and attribute
// names of documents above).
#pragma once

#include <string>

// A copy of the text of the same length with upper-case ASCII letters lowered, lower-case letters
// and digits kept and every other byte (blank, hyphen, dot, accented letter) replaced by "_", so
// "Order-Line" and "order_line" name the same object.
std::string normalizeName(const std::string& text);
