// FLDumpFormatter: the dump formatter that writes the object base as F-Logic facts.
#pragma once

#include <string>

#include "objectbase/DumpFormatter.h"

// The text is read back by the F-Logic parser, so every separator is part of the format.
class FLDumpFormatter : public DumpFormatter {
  public:
    explicit FLDumpFormatter(OM* om) : DumpFormatter(om) {}
    ~FLDumpFormatter() override = default;

    bool isA(const std::string& className) const override;

    void writeSubclass(const InternalName& sub, const InternalName& super) override;
    void writeIsa(const InternalName& object, const InternalName& cls) override;
    void openFrame(const InternalName& object, const InternalName& cls, int withId) override;
    void closeFrame(const InternalName& object, const InternalName& cls) override;
    void methodSeparator() override;
    std::string argsOpen() override;
    std::string argumentText(int position, const InternalName& argument) override;
    std::string argsClose() override;
    std::string arrowText(int methodType) override;
    void writeMethodHead(const std::string& methodText, const std::string& restText,
                         const std::string& bracket) override;
    void writeText(const std::string& text) override;
    void writeMethodValue(const std::string& methodText, const std::string& restText,
                          const InternalName& value) override;
    std::string frameEndText(const InternalName& object, const InternalName& name,
                             const std::string& attributes, const std::string& content, int withId,
                             const std::string& prefix) override;
    void writeSetMember(const InternalName& host, const InternalName& method,
                        const InternalName& member, int position) override;
    void writeTail(const std::string& text) override;
    void openPredicate(const std::string& name) override;
    void predicateSeparator() override;
    void writePredicateArgument(const InternalName& argument, int position) override;
    void closePredicate() override;
    void writeStatement(const std::string& text) override;

    // Writes the end of a frame, "].\n", for writers that build frames themselves.
    void frameEnd();
    // The text gathered for the channel, for a writer that builds whole frames itself in this
    // format; handOn then passes it on as the formatter's own operations do, `endsLine` where
    // the text ends a line.
    std::string& pending() { return line; }
    void handOn(bool endsLine) { emit(endsLine); }

  protected:
    // The method text, in parentheses when it is a path.
    void writeMethodText(const std::string& methodText);
    // Appends the method text, in parentheses when it is a path.
    static void appendMethodText(const std::string& methodText, std::string& out);
};
