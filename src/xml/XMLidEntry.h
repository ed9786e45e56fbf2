// XMLidEntry and XMLidrefEntry: the ID and IDREF values an import records while it maps a
// document, kept until the references are resolved.
#pragma once

#include <string>
#include <utility>

#include "objectbase/InternalName.h"

// Both are plain values the import keeps in arrays: a document has one of them for every ID
// and every ID token of a reference, and a pooled object of its own cost each about three
// times its size.
class XMLidEntry {
  public:
    // object: the element that carries the ID.
    XMLidEntry(InternalName object, std::string id) : object(object), id(std::move(id)) {}

    InternalName getObject() const { return object; }
    const std::string& getId() const { return id; }

  private:
    InternalName object;
    std::string id;
};

class XMLidrefEntry {
  public:
    // object: the element that carries the IDREF; method: the attribute's method; number: a
    // value of the import's own, kept unchanged; reference: one ID token.
    XMLidrefEntry(InternalName object, InternalName method, int number, std::string reference)
        : object(object), method(method), number(number), reference(std::move(reference)) {}

    InternalName getObject() const { return object; }
    InternalName getMethod() const { return method; }
    int getNumber() const { return number; }
    const std::string& getReference() const { return reference; }

  private:
    InternalName object;
    InternalName method;
    int number;
    std::string reference;
};
