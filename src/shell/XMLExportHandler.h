// XMLExportHandler: the XML declaration and document type line shared by the XML exports.
#pragma once

#include <string>
#include <string_view>

#include "access/ExportHandler.h"

class InternalName;

class XMLExportHandler : public ExportHandler {
  public:
    explicit XMLExportHandler(OMAccess* access);

    bool isA(const std::string& className) const override;

    // The external identifier comes from the document type's string object, PUBLIC before
    // SYSTEM, unless the request brings one.
    void writeHeader(ExportRequest& request) override;

  protected:
    ~XMLExportHandler() override = default;

    // The class named by a document type; the undefined name, nothing made, for an empty one.
    InternalName documentClass(const std::string& docType);
    // Appends one member to an attribute text, after a blank unless it is the first; once the
    // running length (which the caller starts at the text's length) passes 80 columns the member
    // goes on a new line indented by four blanks.
    static void appendWrapped(std::string& text, std::string_view member, std::size_t& running,
                              bool first);
};
