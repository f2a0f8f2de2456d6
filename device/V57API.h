/* The stimulator device library's C interface.
 *
 * Every entry point starts a request and returns at once with a result code:
 * 997 (PXV57_PENDING) means the request was accepted and exactly one callback
 * follows, on a thread of the library's own; any other code is a failure and
 * no callback follows. Buffers handed to an entry point (the new-state bytes
 * and the addresses of the result integers) are valid only during the call.
 *
 * Integers are 32-bit signed, pointers full width. Blocks of device records
 * are described in DeviceStateBlock.h.
 *
 * Any library that keeps this contract and is named libV57API.so (V57API.dll
 * on Windows) can take the place of ours at load time.
 */
#ifndef PELLIX_V57API_H
#define PELLIX_V57API_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define PXV57_CALL __stdcall
#else
#define PXV57_CALL
#endif

#if defined(_WIN32)
#define PXV57_EXPORT __declspec(dllexport)
#else
#define PXV57_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result code of an accepted request: its callback will follow. */
#define PXV57_PENDING 997

typedef void(PXV57_CALL *TPXClientInitialiseProc)(int32_t Result, void *CallbackParam);
typedef void(PXV57_CALL *TPXClientUpdateProc)(int32_t Result, const uint8_t *CurrentState,
                                              int32_t szCurrentState, void *CallbackParam);
typedef void(PXV57_CALL *TPXClientCloseProc)(int32_t Result, void *CallbackParam);

/* Starts the library. Reference holds 0 before the call; the library stores its
 * handle there. The callback's Result is 0 when the library is ready. */
PXV57_EXPORT int32_t PXV57_CALL PXV57_Initialise(int32_t *Reference, int32_t *InitResult,
                                                 TPXClientInitialiseProc CallbackProc,
                                                 void *CallbackParam);

/* Sends a device state block (NewState, szNewState bytes; null and 0 when there
 * is none) and asks for the current state of every connected device, which
 * arrives only through the callback. CurrentState is always null and
 * *szCurrentState 0 on the call. */
PXV57_EXPORT int32_t PXV57_CALL PXV57_UpdateEx(int32_t Reference, int32_t *UpdateResult,
                                               const uint8_t *NewState, int32_t szNewState,
                                               uint8_t *CurrentState, int32_t *szCurrentState,
                                               TPXClientUpdateProc CallbackProc,
                                               void *CallbackParam);

/* Closes the library. */
PXV57_EXPORT int32_t PXV57_CALL PXV57_Close(int32_t *Reference, int32_t *CloseResult,
                                            TPXClientCloseProc CallbackProc, void *CallbackParam);

#ifdef __cplusplus
}
#endif

#endif /* PELLIX_V57API_H */
