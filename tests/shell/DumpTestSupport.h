// Shared helpers of the tests that dump the object base: a fixture whose object base has the
// shell's formatters, and short ways to state facts.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "foundation/set.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "shell/ShellDumpFormatters.h"

namespace dump_test {

class DumpTest : public objectbase_test::ObjectManagerTest {
  protected:
    void SetUp() override {
        ObjectManagerTest::SetUp();
        om->useDumpFormatters(shellDumpFormatters());
    }

    InternalName str(const std::string& text) { return obj("\"" + text + "\""); }
    void isa(const InternalName& o, const InternalName& c) { om->insertIsa(o, c, 1); }
    void sub(const InternalName& c, const InternalName& d) { om->insertIsa(c, d, 2); }
    void value(const InternalName& host, const InternalName& method, int type,
               const InternalName& v, std::vector<InternalName> args = {}) {
        om->insertMethodValue(host, method, args.data(), static_cast<int>(args.size()), type, v);
    }
    void members(const InternalName& host, const InternalName& method, int type,
                 std::vector<InternalName> values, std::vector<InternalName> args = {}) {
        set<InternalName> all;
        for (const InternalName& v : values) all.insert(v);
        om->insertSetMember(host, method, args.data(), static_cast<int>(args.size()), type, all);
    }
    // What one call writes on debugChannel.
    template <class Call>
    std::string debugOf(Call call) {
        ChannelCapture capture(debugChannel());
        call();
        return capture.text();
    }
};

// The names of the errors an ErrorCapture has seen, in order.
inline std::vector<std::string> reportedNames(const ErrorCapture& errors) {
    std::vector<std::string> names;
    const std::string marker = "*** ERROR : ";
    const std::string text = errors.text();
    for (std::size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + 1)) {
        std::size_t begin = at + marker.size();
        names.push_back(text.substr(begin, text.find('\n', begin) - begin));
    }
    return names;
}

}  // namespace dump_test
