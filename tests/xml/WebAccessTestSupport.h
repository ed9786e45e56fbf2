// Shared helpers of the Web access layer's tests: a layer that records the loads its triggers ask
// for, over a fresh object base, in a scratch folder that is the working and home folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "shell/ShellDumpFormatters.h"
#include "support/ChannelCapture.h"
#include "xml/NsgmlHandler.h"
#include "xml/ScratchLayerTestSupport.h"
#include "xml/WebOMAccess.h"
#include "xml/WebTestSupport.h"

namespace webaccess_test {

using nsgmltest::readFile;
using nsgmltest::writeFile;

using TestWebAccess = RecordingLayer<WebOMAccess>;

// A server's answer with a date and a type in its header.
inline std::string httpReply(const std::string& content) {
    return "HTTP/1.0 200 OK\r\nLast-Modified: Mon, 07 Dec 2026 10:00:00 GMT\r\n"
           "Content-Type: text/html\r\nContent-Length: " +
           std::to_string(content.size()) + "\r\n\r\n" + content;
}

class WebAccessTest : public ScratchLayerTest<TestWebAccess> {
  protected:
    // The texts of the members of host[method ->> {...}].
    std::vector<std::string> values(const InternalName& host, const InternalName& method) {
        std::vector<std::string> texts;
        const InternalName pattern[3] = {host, method, InternalName::UndefinedObject};
        auto rows = Ref<Iterator>::adopt(access->lookup(MethodType::Set, pattern, 3, nullptr));
        if (rows == nullptr) return texts;
        if (rows->first()) {
            auto members = Ref<Iterator>::adopt(access->setIterator(rows->atColumn(3), nullptr));
            for (bool more = members != nullptr && members->first(); more; more = members->next()) {
                texts.push_back(text(members->atColumn(1)));
            }
        }
        rows.reset();
        return texts;
    }

    // What `build` (layer, whether the second road is taken) answers on the fixture's base with
    // the first road and on a base of its own with the second, both dumped by the shell's
    // formatters.
    template <typename Build>
    std::pair<std::string, std::string> onBothBases(Build build) {
        om->useDumpFormatters(shellDumpFormatters());
        std::string first = build(*access, false);
        auto otherBase = Ref<MainMemOM>::make();
        otherBase->useDumpFormatters(shellDumpFormatters());
        auto other = Ref<TestWebAccess>::adopt(makeAccess(otherBase.get()));
        other->loading = false;
        std::string second = build(*other, true);
        other.reset();
        otherBase.reset();
        return {std::move(first), std::move(second)};
    }

    // The temporary document files in a folder (the scratch folder by default).
    std::vector<std::string> tempFiles(const std::filesystem::path& folder = {}) {
        std::vector<std::string> names;
        for (const auto& entry :
             std::filesystem::directory_iterator(folder.empty() ? scratch : folder)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(".wd_", 0) == 0) names.push_back(name);
        }
        return names;
    }
    // The temporary file name of the fetch with this number.
    std::string tempName(int number, const std::string& lastSegment) {
        return ".wd_" + std::to_string(getpid()) + "_" + std::to_string(number) + "_" + lastSegment;
    }

    // U : url, then U[get -> D].
    void get(const InternalName& url, const InternalName& document) {
        access->insertClassRelation(url, builtinObject::Url, IsaRelation::Member);
        access->insertValue(url, builtinObject::Get, nullptr, 0, MethodType::Scalar, document);
    }

    // What describe gives for a page fetched from the URL into the temporary file of that
    // number: the date and type of httpReply when it was served, "unknown" for a local file.
    std::string described(const std::string& url, int number, const std::string& segment,
                          std::size_t length, bool served) {
        const std::string unknown = "\"unknown\"";
        return "url=\"" + url +
               "\" modif=" + (served ? "\"mon, 07 dec 2026 10:00:00 gmt\"" : unknown) +
               " length=" + std::to_string(length) +
               " type=" + (served ? "\"text/html\"" : unknown) + " file=\"" +
               (scratch / tempName(number, segment)).string() + "\" webdoc";
    }

    // The document's five attributes and its most telling class, on one line.
    std::string describe(const InternalName& document) {
        const WebOMAccess::Schema& names = access->schema();
        std::string line = "url=" + text(value(document, builtinObject::Url)) +
                           " modif=" + text(value(document, names.modif)) +
                           " length=" + text(value(document, names.length)) +
                           " type=" + text(value(document, names.type)) +
                           " file=" + text(value(document, names.file));
        for (const InternalName& cls : {names.dtddoc, names.xmldoc, names.sgmldoc, names.webdoc}) {
            if (access->isaTest(document, cls, IsaRelation::Member) != 0)
                return line + " " + text(cls);
        }
        return line;
    }
};

}  // namespace webaccess_test
