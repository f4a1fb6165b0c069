/* Included at the end of the engine's generated configuration: switches on the
 * bytecode interrupt so a script can be stopped when its time budget runs out, and
 * routes fatal errors to our guard instead of the engine's abort(). */

#define DUK_USE_INTERRUPT_COUNTER
#undef DUK_USE_EXEC_TIMEOUT_CHECK
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) cq_script_time_exceeded(udata)
#undef DUK_USE_FATAL_HANDLER
#define DUK_USE_FATAL_HANDLER(udata, msg) cq_script_fatal((udata), (msg))

#if defined(__cplusplus)
extern "C" {
#endif
unsigned int cq_script_time_exceeded(void* udata);
void cq_script_fatal(void* udata, const char* msg);
#if defined(__cplusplus)
}
#endif
