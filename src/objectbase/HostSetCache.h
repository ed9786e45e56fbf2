// HostSetCache, a rule head's memory of which set frame holds each host's values of a set-valued
// method without arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "objectbase/InternalName.h"

class MainMemSetFrame;

// Finding the set frame of host[method ->> ...] walks three stores one after another (the host's
// object frame, its method entry, the set frame by name), each step a cache miss in a large
// base; a `->>` head paid that walk twice per derived row (hint, then insert), and on the
// closures of 2000 nodes it was the largest single cost of the method form. A head keeps the
// frames it found here, so a repeated host costs one look into a small table.
//
// Entries hold for one layout of the object base, named by a stamp that the object base changes
// whenever a frame may be dropped, merged or renamed (equalities applied, a clear): a lookup
// under another stamp finds nothing, and the first keep under it empties the table.
//
// Direct-mapped: a host whose slot another host took is simply looked up the long way again.
// Hosts are mostly numbered one after another, so the host's number picks the slot and
// consecutive hosts do not collide until the table is full; the table doubles (forgetting what
// it held) once it has been filled more times than it has slots, up to MaxSlots.
class HostSetCache {
  public:
    // The set frame kept for host[method] of the method type under this stamp, or null.
    MainMemSetFrame* find(const InternalName& host, const InternalName& method, int type,
                          std::uint64_t stamp) const {
        if (stamp != layout || slots.empty()) return nullptr;
        const Slot& slot = slots[slotOf(host, method)];
        return slot.host == host && slot.method == method && slot.type == type ? slot.frame
                                                                               : nullptr;
    }

    // Keeps the set frame found for host[method] of the method type under this stamp.
    void keep(const InternalName& host, const InternalName& method, int type,
              MainMemSetFrame* frame, std::uint64_t stamp) {
        if (stamp != layout || slots.empty()) {
            layout = stamp;
            reset(slots.empty() ? FirstSlots : slots.size());
        } else if (++fills > slots.size() && slots.size() < MaxSlots) {
            reset(slots.size() * 2);
        }
        slots[slotOf(host, method)] = Slot{host, method, frame, type};
    }

    std::size_t capacity() const { return slots.size(); }

    // A head takes its rows in batches: the hints for the whole batch first, then the inserts
    // in the same order. Each hint notes the frame it found (null for none yet) here, and the
    // insert of the same row takes it back instead of asking find again (on the closure of a
    // random graph of 2000 nodes, the second lookup cost a tenth of the method head's
    // instructions). A row taken out of step, an insert skipped, only costs the lookup: the
    // notes left are dropped.
    void noteHint(const InternalName& host, const InternalName& method, int type,
                  MainMemSetFrame* frame, std::uint64_t stamp) {
        // Field by field: a whole Hint built first went through the stack, and reading it back
        // in wider words than it was written stalled every hint.
        Hint& hint = hints[hintsWritten++ % Hints];
        hint.host = host;
        hint.method = method;
        hint.frame = frame;
        hint.stamp = stamp;
        hint.type = type;
    }
    // The frame noted for host[method] of the method type by the oldest hint not taken yet, if
    // that hint was for this row and under this stamp; else false, with every note dropped.
    bool takeHint(const InternalName& host, const InternalName& method, int type,
                  std::uint64_t stamp, MainMemSetFrame*& frame) {
        if (hintsTaken != hintsWritten && hintsWritten - hintsTaken <= Hints) {
            const Hint& hint = hints[hintsTaken % Hints];
            if (hint.host == host && hint.method == method && hint.type == type &&
                hint.stamp == stamp) {
                ++hintsTaken;
                frame = hint.frame;
                return true;
            }
        }
        hintsTaken = hintsWritten;
        return false;
    }

  private:
    static constexpr std::size_t FirstSlots = 256;
    static constexpr std::size_t MaxSlots = std::size_t(1) << 16;

    struct Slot {
        InternalName host{0, 0xff, 0};  // never a stored identifier: kinds stop at 10
        InternalName method;
        MainMemSetFrame* frame = nullptr;
        int type = -1;
    };

    std::size_t slotOf(const InternalName& host, const InternalName& method) const {
        const std::uint32_t mixed = std::uint32_t(host.getValue()) +
                                    std::uint32_t(method.getValue()) * 0x9e3779b9u +
                                    (std::uint32_t(host.getType()) << 24);
        return std::size_t(mixed) & (slots.size() - 1);
    }
    void reset(std::size_t size) {
        slots.assign(size, Slot{});
        fills = 0;
    }

    std::vector<Slot> slots;
    std::uint64_t layout = 0;
    std::size_t fills = 0;

    // At least a batch of hints (16 rows).
    static constexpr std::size_t Hints = 32;
    struct Hint {
        InternalName host;
        InternalName method;
        MainMemSetFrame* frame = nullptr;
        std::uint64_t stamp = 0;
        int type = -1;
    };
    Hint hints[Hints];
    std::size_t hintsWritten = 0;
    std::size_t hintsTaken = 0;
};
