// OriginNames: the table of kept origin names.
#include "language/OriginNames.h"

#include <mutex>
#include <unordered_set>

namespace {

struct Table {
    std::mutex guard;
    std::unordered_set<std::string> names;
    // The clauses of a file come one after another: most look-ups meet the last name.
    const std::string* last = nullptr;
};

// Never destroyed: clauses that outlive the end of main still point into it.
Table& table() {
    static Table* const kept = new Table;
    return *kept;
}

}  // namespace

const std::string& OriginNames::intern(std::string_view name) {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.guard);
    if (t.last != nullptr && *t.last == name) return *t.last;
    t.last = &*t.names.emplace(name).first;
    return *t.last;
}
