// Compiled, not run: the new set that join, diff and intersect answer cannot be dropped by mistake
// (built with DISCARD, this file must not compile; without it, it must).
#include "foundation/set.h"

int main() {
    set<int> s;
    set<int> t;
    t.insert(1);
#ifdef DISCARD
    s.join(t);
#else
    s += t;
    set<int> u = s.join(t).diff(t).intersect(s);
    return u.size() + s.size() == 1 ? 0 : 1;
#endif
}
