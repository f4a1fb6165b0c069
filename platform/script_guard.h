#pragma once

/* The C side of the script host: the engine's allocator with a byte cap, the time
 * budget the engine polls, and a jump target for fatal errors. Kept in C because the
 * engine reports fatal errors by calling a handler that must not return; we leave it
 * with longjmp, which must only cross C frames and trivially destructible ones. */

#include <setjmp.h>
#include <stddef.h>
#include <stdint.h>

#if defined(__cplusplus)
extern "C" {
#endif

struct cq_script_block;

typedef struct cq_script_guard {
    /* Allocation accounting; every live block is on a list so a heap the engine
     * declared broken can still be released. */
    struct cq_script_block* blocks;
    size_t used;
    size_t limit;
    int refused; /* an allocation was refused for the cap since the last reset */

    /* Monotonic nanoseconds; 0 means no budget is running. */
    int64_t deadline_ns;
    int timed_out;
    unsigned allocations_unchecked;

    /* Set while the host is inside the engine. */
    jmp_buf* fatal_jump;
    int fatal;
    char fatal_message[160];
} cq_script_guard;

void cq_script_guard_init(cq_script_guard* guard, size_t heap_limit);

/* Allocation functions for duk_create_heap; udata is the guard. */
void* cq_script_alloc(void* udata, size_t size);
void* cq_script_realloc(void* udata, void* ptr, size_t size);
void cq_script_free(void* udata, void* ptr);
/* Releases every block still allocated (for a heap that can no longer be destroyed). */
void cq_script_free_all(cq_script_guard* guard);

/* Runs fn(arg) with a budget of budget_ns from now. Returns 1 when fn returned,
 * 0 when a fatal error of the engine cut it short (guard->fatal is then set). */
int cq_script_guarded(cq_script_guard* guard, int64_t budget_ns, void (*fn)(void*), void* arg);

/* The engine's hooks (see script_engine_hooks.h); udata is the guard. */
unsigned int cq_script_time_exceeded(void* udata);
void cq_script_fatal(void* udata, const char* msg);

#if defined(__cplusplus)
}
#endif
