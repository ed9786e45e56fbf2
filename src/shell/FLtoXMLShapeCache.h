// FLtoXMLShapeCache: the steps an export walk decided for the hosts of each class set, replayed
// for the next host whose entries have the same shapes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "objectbase/ObjectFrameView.h"

// Whether an export walk replays the steps it decided for a host of a class set for the next
// host of the same shapes, or decides every entry of every host anew. Chosen once for a handler:
// the general road is the one every replayed step must agree with.
enum class ShapeReplay : std::uint8_t { Replay, General };

// What a walk does with an entry depends on the class set of its host, the entry's key and the
// kind of its value: its shape. The hosts of a class set mostly have entries of the same shapes
// in the same order, so the steps decided for one host serve the next whose shapes compare equal.
// `Step` carries the shape it was decided for in its `shape` member. The steps of every class set
// stand one after another; a class set decided again (a host of other shapes) takes the room of
// its old steps when they fit, and once the steps left behind outweigh those in use, the list is
// compacted.
template <class Step>
class FLtoXMLShapeCache {
  public:
    void clear() {
        programs.clear();
        steps.clear();
        recording.clear();
        recordingSet = -1;
        unused = 0;
    }

    // The steps of the class set when its `count` entries from `from` on have the shapes they
    // were decided for; null otherwise. They stay in place until the next record is finished.
    [[gnu::always_inline]] const Step* find(int classSet, std::size_t from, const MethodSlot* slots,
                                            std::size_t count) const {
        if (std::size_t(classSet) >= programs.size()) return nullptr;
        const Program& program = programs[std::size_t(classSet)];
        if (!program.known || program.from != from || program.count != count) return nullptr;
        const Step* const decided = steps.data() + program.first;
        for (std::size_t at = 0; at < count; ++at)
            if (slots[at].shapeNumber() != decided[at].shape) return nullptr;
        return decided;
    }
    // What `finish` stored with the steps of the class set.
    int declaredOf(int classSet) const { return programs[std::size_t(classSet)].declared; }

    // Starts deciding the steps of the class set for a host whose `count` entries from `from` on
    // are walked; the class set's old steps serve no host from here on.
    void start(int classSet, std::size_t from, std::size_t count) {
        if (programs.size() <= std::size_t(classSet))
            programs.resize(std::max(std::size_t(classSet) + 1, programs.size() * 2));
        programs[std::size_t(classSet)].known = false;
        recording.clear();
        if (recording.capacity() < count) recording.reserve(count);
        recordingSet = classSet;
        recordingFrom = std::uint32_t(from);
        recordingCount = std::uint32_t(count);
    }
    // The next step of the host being recorded, one for each of its entries in order.
    Step& add() { return recording.emplace_back(); }
    // Drops the steps recorded since `start`.
    void abandon() { recordingSet = -1; }
    // Keeps the recorded steps for the class set when there is one for each entry (a walk
    // stopped halfway keeps none), with `declared`, a count the walk answers on replay.
    void finish(int declared = 0) {
        const int classSet = recordingSet;
        recordingSet = -1;
        if (classSet < 0 || recording.size() != recordingCount) return;
        Program& program = programs[std::size_t(classSet)];
        const std::uint32_t count = recordingCount;
        if (program.placed && program.room >= count) {
            // The old steps' room takes the new ones.
            unused = unused + program.count - count;
        } else {
            if (program.placed) unused += program.count;
            program.first = std::uint32_t(steps.size());
            program.room = count;
            program.placed = true;
            steps.insert(steps.end(), recording.begin(), recording.end());
            program.count = count;
            program.from = recordingFrom;
            program.declared = declared;
            program.known = true;
            if (unused > 64 && unused * 2 > steps.size()) compact();
            return;
        }
        std::copy(recording.begin(), recording.end(), steps.begin() + program.first);
        program.count = count;
        program.from = recordingFrom;
        program.declared = declared;
        program.known = true;
    }

    // The steps kept, those in use and those left behind.
    std::size_t stepsKept() const { return steps.size(); }
    std::size_t stepsUnused() const { return unused; }

  private:
    struct Program {
        // Whether the steps are complete; the place of the first entry they are for, how many
        // they are and where they stand in `steps`, and the room they may take there.
        bool known = false;
        bool placed = false;
        std::uint32_t from = 0;
        std::uint32_t count = 0;
        std::uint32_t first = 0;
        std::uint32_t room = 0;
        int declared = 0;
    };

    // Moves the steps in use to the front, in the order of their class sets.
    void compact() {
        std::vector<Step> kept;
        kept.reserve(steps.size() - unused);
        for (Program& program : programs) {
            if (!program.placed) continue;
            if (!program.known) {
                program.placed = false;
                continue;
            }
            const std::uint32_t first = std::uint32_t(kept.size());
            kept.insert(kept.end(), steps.begin() + program.first,
                        steps.begin() + program.first + program.count);
            program.first = first;
            program.room = program.count;
        }
        steps.swap(kept);
        unused = 0;
    }

    // By class set.
    std::vector<Program> programs;
    std::vector<Step> steps;
    // The steps of the host being recorded, and what they are for.
    std::vector<Step> recording;
    int recordingSet = -1;
    std::uint32_t recordingFrom = 0;
    std::uint32_t recordingCount = 0;
    // Steps in `steps` that no class set uses.
    std::size_t unused = 0;
};
