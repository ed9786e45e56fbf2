// NameMap: the name-mapping dictionary of an access layer, in which a name stands for another.
#pragma once

#include <functional>

#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"

// A document's import maps the names it makes to the objects they stand for; the built-ins and
// the export read names through it.
class NameMap {
  public:
    NameMap() = default;
    NameMap(const NameMap&) = delete;
    NameMap& operator=(const NameMap&) = delete;

    bool isMapped(const InternalName& name) const { return entries.count(name) != 0; }
    // The name the entry maps to; the name itself when it has none.
    InternalName mappedName(const InternalName& name) const;
    // Enters (or replaces) the entry of name: from now on it stands for value.
    void insert(const InternalName& name, const InternalName& value) {
        entries.insert_or_assign(name, value);
    }
    // Moves the entry of oldName, if there is one, to the key rep (replacing rep's own entry).
    // When rep had an entry too, what the two stood for is one object now: join is called with
    // both targets before the move.
    void move(const InternalName& oldName, const InternalName& rep,
              const std::function<void(const InternalName&, const InternalName&)>& join);
    int size() const { return int(entries.size()); }
    // Makes room for `more` entries: an import that maps a million names grew the table a
    // score of times, moving every entry each time.
    void reserve(std::size_t more) { entries.reserve(more); }
    void clear() { entries.clear(); }

  private:
    // An export asks whether each element it writes is mapped: a probe of an open table, not a
    // walk down a tree.
    FlatNameMap<InternalName, InternalName> entries;
};
