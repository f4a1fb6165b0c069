#include "platform/script_guard.h"

#include <stdlib.h>
#include <string.h>
#include <time.h>

struct cq_script_block {
    struct cq_script_block* prev;
    struct cq_script_block* next;
    size_t size;
};

/* The header keeps the payload at the strictest alignment malloc gives. */
typedef union cq_script_header {
    struct cq_script_block block;
    max_align_t align;
} cq_script_header;

#define CQ_HEADER_SIZE sizeof(cq_script_header)

/* The guard of the call in progress on this thread, for fatal errors raised where
 * the engine has no heap pointer at hand. */
static _Thread_local cq_script_guard* current_guard;

static int64_t monotonic_ns(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000000000 + ts.tv_nsec;
}

void cq_script_guard_init(cq_script_guard* guard, size_t heap_limit) {
    memset(guard, 0, sizeof(*guard));
    guard->limit = heap_limit;
}

static void link_block(cq_script_guard* guard, struct cq_script_block* block) {
    block->prev = NULL;
    block->next = guard->blocks;
    if (guard->blocks != NULL) {
        guard->blocks->prev = block;
    }
    guard->blocks = block;
}

static void unlink_block(cq_script_guard* guard, struct cq_script_block* block) {
    if (block->prev != NULL) {
        block->prev->next = block->next;
    } else {
        guard->blocks = block->next;
    }
    if (block->next != NULL) {
        block->next->prev = block->prev;
    }
}

/* Checked on every allocation as well as from the bytecode interrupt: the engine's
 * native loops (join, indexOf over a huge length, ...) never reach the interrupt,
 * but they allocate as they go, and a refused allocation ends them with an error. */
static int over_time(cq_script_guard* guard) {
    if (guard->deadline_ns == 0) {
        return 0;
    }
    if (!guard->timed_out && monotonic_ns() >= guard->deadline_ns) {
        guard->timed_out = 1;
    }
    return guard->timed_out;
}

/* Reading the clock on every allocation would cost more than a short evaluation
 * itself; a loop that allocates reaches the next check soon enough. */
#define CQ_ALLOCATIONS_PER_CLOCK_CHECK 64

static int over_time_on_allocation(cq_script_guard* guard) {
    if (guard->timed_out) {
        return 1;
    }
    if (++guard->allocations_unchecked < CQ_ALLOCATIONS_PER_CLOCK_CHECK) {
        return 0;
    }
    guard->allocations_unchecked = 0;
    return over_time(guard);
}

static int fits(cq_script_guard* guard, size_t released, size_t wanted) {
    if (over_time_on_allocation(guard)) {
        return 0;
    }
    size_t after = guard->used - released;
    if (wanted > guard->limit || after > guard->limit - wanted) {
        guard->refused = 1;
        return 0;
    }
    return 1;
}

void* cq_script_alloc(void* udata, size_t size) {
    cq_script_guard* guard = (cq_script_guard*)udata;
    size_t total;
    struct cq_script_block* block;
    if (size > SIZE_MAX - CQ_HEADER_SIZE) {
        return NULL;
    }
    total = size + CQ_HEADER_SIZE;
    if (!fits(guard, 0, total)) {
        return NULL;
    }
    block = (struct cq_script_block*)malloc(total);
    if (block == NULL) {
        return NULL;
    }
    block->size = total;
    link_block(guard, block);
    guard->used += total;
    return (char*)block + CQ_HEADER_SIZE;
}

void cq_script_free(void* udata, void* ptr) {
    cq_script_guard* guard = (cq_script_guard*)udata;
    struct cq_script_block* block;
    if (ptr == NULL) {
        return;
    }
    block = (struct cq_script_block*)((char*)ptr - CQ_HEADER_SIZE);
    unlink_block(guard, block);
    guard->used -= block->size;
    free(block);
}

void* cq_script_realloc(void* udata, void* ptr, size_t size) {
    cq_script_guard* guard = (cq_script_guard*)udata;
    struct cq_script_block* block;
    struct cq_script_block* moved;
    size_t old_total;
    size_t total;
    if (ptr == NULL) {
        return cq_script_alloc(udata, size);
    }
    if (size == 0) {
        cq_script_free(udata, ptr);
        return NULL;
    }
    if (size > SIZE_MAX - CQ_HEADER_SIZE) {
        return NULL;
    }
    block = (struct cq_script_block*)((char*)ptr - CQ_HEADER_SIZE);
    old_total = block->size;
    total = size + CQ_HEADER_SIZE;
    if (total > old_total && !fits(guard, old_total, total)) {
        return NULL;
    }
    unlink_block(guard, block);
    moved = (struct cq_script_block*)realloc(block, total);
    if (moved == NULL) {
        link_block(guard, block);
        return NULL;
    }
    moved->size = total;
    link_block(guard, moved);
    guard->used = guard->used - old_total + total;
    return (char*)moved + CQ_HEADER_SIZE;
}

void cq_script_free_all(cq_script_guard* guard) {
    while (guard->blocks != NULL) {
        struct cq_script_block* block = guard->blocks;
        guard->blocks = block->next;
        free(block);
    }
    guard->used = 0;
}

int cq_script_guarded(cq_script_guard* guard, int64_t budget_ns, void (*fn)(void*), void* arg) {
    jmp_buf jump;
    cq_script_guard* volatile outer = current_guard;
    guard->timed_out = 0;
    guard->refused = 0;
    guard->deadline_ns = budget_ns > 0 ? monotonic_ns() + budget_ns : 0;
    guard->fatal_jump = &jump;
    current_guard = guard;
    if (setjmp(jump) == 0) {
        fn(arg);
        guard->fatal_jump = NULL;
        guard->deadline_ns = 0;
        current_guard = outer;
        return 1;
    }
    guard->fatal_jump = NULL;
    guard->deadline_ns = 0;
    current_guard = outer;
    return 0;
}

unsigned int cq_script_time_exceeded(void* udata) {
    cq_script_guard* guard = (cq_script_guard*)udata;
    /* Once over, stay over until the host leaves the engine, so that no catch
     * block in the script can swallow the stop. */
    return guard != NULL && over_time(guard) ? 1u : 0u;
}

void cq_script_fatal(void* udata, const char* msg) {
    cq_script_guard* guard = udata != NULL ? (cq_script_guard*)udata : current_guard;
    if (guard != NULL && guard->fatal_jump != NULL) {
        guard->fatal = 1;
        strncpy(guard->fatal_message, msg != NULL ? msg : "", sizeof(guard->fatal_message) - 1);
        guard->fatal_message[sizeof(guard->fatal_message) - 1] = '\0';
        longjmp(*guard->fatal_jump, 1);
    }
    /* The host enters the engine only through cq_script_guarded, so there is always a
     * jump target; should that ever not hold, ending the process is all that is left. */
    abort();
}
