// XMLidEntry and XMLidrefEntry: the ID and IDREF values an import records while it maps a
// document, kept until the references are resolved.
#pragma once

#include <string>

#include "foundation/ManagedObject.h"
#include "objectbase/InternalName.h"

class XMLidEntry : public ManagedObject {
  public:
    // object: the element that carries the ID.
    XMLidEntry(InternalName object, std::string id) : object(object), id(std::move(id)) {}

    InternalName getObject() const { return object; }
    const std::string& getId() const { return id; }

  protected:
    ~XMLidEntry() override = default;

  private:
    InternalName object;
    std::string id;
};

class XMLidrefEntry : public ManagedObject {
  public:
    // object: the element that carries the IDREF; method: the attribute's method; number: a
    // value of the import's own, kept unchanged; reference: one ID token.
    XMLidrefEntry(InternalName object, InternalName method, int number, std::string reference)
        : object(object), method(method), number(number), reference(std::move(reference)) {}

    InternalName getObject() const { return object; }
    InternalName getMethod() const { return method; }
    int getNumber() const { return number; }
    const std::string& getReference() const { return reference; }

  protected:
    ~XMLidrefEntry() override = default;

  private:
    InternalName object;
    InternalName method;
    int number;
    std::string reference;
};
