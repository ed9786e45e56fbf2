// The entry lists of a DTD model and the bounds arithmetic of content models.
#include "xml/DTDPropSpecList.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <limits>

#include "foundation/OwnedElements.h"

namespace {

// Bounds add up along a sequence; a pathological group must not overflow into a negative
// maximum, so the sum stops at the largest int.
int boundedSum(int a, int b) {
    std::int64_t sum = static_cast<std::int64_t>(a) + b;
    sum = std::clamp<std::int64_t>(sum, std::numeric_limits<int>::min(),
                                   std::numeric_limits<int>::max());
    return static_cast<int>(sum);
}

}  // namespace

DTDPropSpecList::~DTDPropSpecList() {
    clear();
}

void DTDPropSpecList::clear() {
    owned::releaseAll(items);
    firstByName.clear();
}

void DTDPropSpecList::append(Ref<DTDPropSpec> entry) {
    firstByName.emplace(entry->getName(), entry.get());
    owned::append(items, std::move(entry));
}

DTDPropSpec* DTDPropSpecList::lookup(const std::string& name) const {
    const auto found = firstByName.find(name);
    return found != firstByName.end() ? found->second : nullptr;
}

void DTDPropSpecList::print() const {
    for (DTDPropSpec* entry : items) {
        std::cout << entry->getName() << " " << entry->getMinimum() << " " << entry->getMaximum()
                  << "\n";
    }
}

void DTDPropSpecList::setAllMaximum(int maximum) {
    for (DTDPropSpec* entry : items) entry->setMaximum(maximum);
}

void DTDPropSpecList::setAllMinimum(int minimum) {
    for (DTDPropSpec* entry : items) entry->setMinimum(minimum);
}

void DTDPropSpecList::mergeChoice(Ref<DTDPropSpecList> other) {
    merge(std::move(other), false);
}

void DTDPropSpecList::mergeSequence(Ref<DTDPropSpecList> other) {
    merge(std::move(other), true);
}

void DTDPropSpecList::merge(Ref<DTDPropSpecList> other, bool sequence) {
    if (!other) return;
    for (DTDPropSpec* entry : other->items) {
        DTDPropSpec* held = lookup(entry->getName());
        if (held == nullptr) {
            append(Ref<DTDPropSpec>::share(entry));
        } else if (sequence) {
            held->setMinimum(boundedSum(held->getMinimum(), entry->getMinimum()));
            held->setMaximum(boundedSum(held->getMaximum(), entry->getMaximum()));
        } else {
            held->setMinimum(std::min(held->getMinimum(), entry->getMinimum()));
            held->setMaximum(std::max(held->getMaximum(), entry->getMaximum()));
        }
    }
    other->clear();
}

Ref<DTDPropSpecList> DTDPropSpecList::copy() const {
    auto result = Ref<DTDPropSpecList>::make();
    for (DTDPropSpec* entry : items) result->append(Ref<DTDPropSpec>::make(*entry));
    return result;
}
