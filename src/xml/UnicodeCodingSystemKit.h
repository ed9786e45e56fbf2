// UnicodeCodingSystemKit, the library's coding systems with an internal character set and a
// UTF-8 decoder that hold every Unicode character.
#pragma once

#include <OpenSP/config.h>
// clang-format off
#include <OpenSP/CodingSystem.h>
#include <OpenSP/CodingSystemKit.h>
#include <OpenSP/Ptr.h>
#include <OpenSP/XMLCodingSystem.h>
// clang-format on

// The library's own kit declares only the Basic Multilingual Plane as its internal character set,
// and its UTF-8 decoder reads a four-byte sequence as U+FFFD: a character beyond U+FFFF in a
// document reached us as U+FFFD (written as bytes) or not at all (written as a reference). Its XML
// decoder, given a big-endian UTF-16 document that declares "UTF-16", reads the text after the
// declaration in the other byte order. This kit declares the internal set as U+0000 to U+10FFFF,
// each character standing for itself, reads UTF-8 and UTF-16 with decoders of its own, and hands
// every other coding question to the library's kit.
class UnicodeCodingSystemKit : public OpenSP::CodingSystemKit {
  public:
    // Holds its own reference to the library's kit.
    explicit UnicodeCodingSystemKit(OpenSP::CodingSystemKit* library);
    ~UnicodeCodingSystemKit() override;

    OpenSP::CodingSystemKit* copy() const override;
    const OpenSP::CodingSystem* identityCodingSystem() const override;
    const OpenSP::CodingSystem* makeCodingSystem(const char* name,
                                                 OpenSP::Boolean isBctf) const override;
    const OpenSP::InputCodingSystem* identityInputCodingSystem() const override;
    // "XML" and every name of UTF-8 are read by this kit's systems.
    const OpenSP::InputCodingSystem* makeInputCodingSystem(const OpenSP::StringC& name,
                                                           const OpenSP::CharsetInfo& charset,
                                                           OpenSP::Boolean isBctf,
                                                           const char*& staticName) const override;
    OpenSP::Char replacementChar() const override;

    // UTF-8 in, every character up to U+10FFFF; a malformed byte is read as U+FFFD.
    class Utf8 : public OpenSP::InputCodingSystem {
      public:
        OpenSP::Decoder* makeDecoder() const override;
    };

    // A document read as XML. Its first bytes decide: a byte-order mark of UTF-16, or UTF-16 text
    // without one, is read by this kit's UTF-16 decoder in that byte order; an XML declaration
    // that names an encoding other than UTF-8 goes to the library's XML decoder (which asks this
    // kit for the encoding named); anything else is UTF-8, read by this kit's decoder (after a
    // UTF-8 byte-order mark, if there is one), whatever name of UTF-8 the declaration gives.
    class Xml : public OpenSP::InputCodingSystem {
      public:
        explicit Xml(const UnicodeCodingSystemKit& kit) : declared(&kit) {}
        OpenSP::Decoder* makeDecoder() const override;

      private:
        OpenSP::XMLCodingSystem declared;
    };

  private:
    OpenSP::Ptr<OpenSP::CodingSystemKit> library;
    Utf8 utf8;
    Xml xml{*this};
};
