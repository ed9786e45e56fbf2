// Start-up and tear-down of the container library: the per-unit start-up counter, the library's
// environment options and its processor-time clock.
#pragma once

#include <cstdint>

// Every translation unit that includes a container header holds one start-up object. The first
// to be constructed builds the memory manager and reads the options; the last to be destroyed
// tears the manager down, so it exists before every global container and outlives them all.
class clib_startup {
  public:
    clib_startup();
    ~clib_startup();
    clib_startup(const clib_startup&) = delete;
    clib_startup& operator=(const clib_startup&) = delete;
};

static clib_startup clib_startup_object;

// Number of live start-up objects.
extern std::int32_t memory_manager_init;

// Options read from the environment at start-up.
extern const char* clib_init_text;  // CLIB_INIT, null when unset
extern std::int32_t node_data_slots;
extern std::int32_t edge_data_slots;

// Reads CLIB_INIT, CLIB_CATCH_SYSTEM_ERRORS, CLIB_NODE_DATA and CLIB_EDGE_DATA.
void clib_read_options();
// Hook for catching system errors; this system has nothing to install.
void catch_system_errors(int on);
// Puts the floating-point unit's precision control at 53 bits where the unit has one.
void clib_set_fpu_precision();
// Processor time used so far, in seconds.
double cpu_seconds();
