// Start-up and tear-down of the container library: the per-unit start-up counter, the library's
// environment options and its processor-time clock.
#include "foundation/ClibStartup.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>

#if defined(__has_include)
#if __has_include(<fpu_control.h>) && defined(__i386__)
#include <fpu_control.h>
#define CLIB_HAVE_X87_CONTROL 1
#endif
#endif

#include "foundation/MemoryManager.h"
#include "foundation/random_source.h"

std::int32_t memory_manager_init = 0;
memory_manager* std_memory_mgr = nullptr;

const char* clib_init_text = nullptr;
std::int32_t node_data_slots = 0;
std::int32_t edge_data_slots = 0;

namespace {

alignas(memory_manager) unsigned char manager_storage[sizeof(memory_manager)];

// A decimal option value; text that is no number, or one outside the int range, counts as 0.
std::int32_t option_value(const char* text) {
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || value < INT_MIN || value > INT_MAX) return 0;
    return static_cast<std::int32_t>(value);
}

}  // namespace

void catch_system_errors(int) {}

void clib_set_fpu_precision() {
#ifdef CLIB_HAVE_X87_CONTROL
    fpu_control_t cw;
    _FPU_GETCW(cw);
    cw = static_cast<fpu_control_t>((cw & ~_FPU_EXTENDED) | _FPU_DOUBLE);
    _FPU_SETCW(cw);
#endif
    // Elsewhere (x86-64 included) doubles are computed in SSE registers in 53-bit precision
    // already, and narrowing the x87 unit would only cost long double its precision.
}

double cpu_seconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

void clib_read_options() {
    clib_init_text = std::getenv("CLIB_INIT");
    if (std::getenv("CLIB_CATCH_SYSTEM_ERRORS") != nullptr) catch_system_errors(1);
    const char* node_data = std::getenv("CLIB_NODE_DATA");
    const char* edge_data = std::getenv("CLIB_EDGE_DATA");
    if (node_data != nullptr) node_data_slots = option_value(node_data);
    if (edge_data != nullptr) edge_data_slots = option_value(edge_data);
    if (node_data != nullptr || edge_data != nullptr) {
        std::fprintf(stderr, "\n");
        std::fprintf(stderr, "node_data_slots = %d\n", static_cast<int>(node_data_slots));
        std::fprintf(stderr, "edge_data_slots = %d\n", static_cast<int>(edge_data_slots));
        std::fprintf(stderr, "\n");
    }
}

clib_startup::clib_startup() {
    clib_set_fpu_precision();
    if (memory_manager_init++ == 0) {
        std_memory_mgr =
            ::new (static_cast<void*>(manager_storage)) memory_manager(256, "STD_MEMORY_MGR");
        clib_read_options();
        clib_seed_random_source();
    }
}

clib_startup::~clib_startup() {
    if (--memory_manager_init == 0 && std_memory_mgr != nullptr) {
        std_memory_mgr->~memory_manager();
        std_memory_mgr = nullptr;
    }
}
