// The exported entry points of libV57API.so: the C contract of V57API.h on
// top of one process-wide TV57Library.
#include "V57API.h"

#include "ProcessExit.h"
#include "ResultCodes.h"
#include "V57Library.h"

#include <new>

namespace {

using namespace V57Sim;

// Never destroyed: a call that arrives while the process exits finds the
// library shut down (and is refused) instead of finding it gone.
TV57Library &Library()
{
    static TV57Library *const library = new TV57Library;
    return *library;
}

// Stops the worker and the control socket at exit, dropping the requests in
// flight. Made at the first initialise, that is after the host's own statics,
// so it runs before they are destroyed. Where the process has stopped the
// library's threads already, there is nothing left to stop.
struct TExitGuard {
    TExitGuard() = default;
    TExitGuard(const TExitGuard &) = delete;
    TExitGuard &operator=(const TExitGuard &) = delete;
    ~TExitGuard()
    {
        if (!OtherThreadsAreGone())
            Library().Shutdown();
    }
};
void ArmExitGuard() { static TExitGuard guard; }

// No exception may cross into the caller's C code.
template <class TRequest>
int32_t Guarded(int32_t *result, TRequest request)
{
    int32_t code;
    try {
        code = request();
    } catch (const std::bad_alloc &) {
        code = ResultCode::NotEnoughMemory;
    } catch (...) {
        code = ResultCode::InternalError;
    }
    if (result)
        *result = code;
    return code;
}

} // namespace

extern "C" {

int32_t PXV57_CALL PXV57_Initialise(int32_t *Reference, int32_t *InitResult,
                                    TPXClientInitialiseProc CallbackProc, void *CallbackParam)
{
    return Guarded(InitResult, [&] {
        ArmExitGuard();
        return Library().Initialise(Reference, CallbackProc, CallbackParam);
    });
}

int32_t PXV57_CALL PXV57_UpdateEx(int32_t Reference, int32_t *UpdateResult,
                                  const uint8_t *NewState, int32_t szNewState,
                                  uint8_t * /*CurrentState: always null*/,
                                  int32_t * /*szCurrentState: the state comes by callback*/,
                                  TPXClientUpdateProc CallbackProc, void *CallbackParam)
{
    return Guarded(UpdateResult, [&] {
        return Library().Update(Reference, NewState, szNewState, CallbackProc, CallbackParam);
    });
}

int32_t PXV57_CALL PXV57_Close(int32_t *Reference, int32_t *CloseResult,
                               TPXClientCloseProc CallbackProc, void *CallbackParam)
{
    return Guarded(CloseResult,
                   [&] { return Library().Close(Reference, CallbackProc, CallbackParam); });
}

} // extern "C"
