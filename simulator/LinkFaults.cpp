#include "LinkFaults.h"

#include <algorithm>
#include <utility>

namespace V57Sim {

namespace {
// Counts one use of a fault that hits the next n requests.
bool Consume(int32_t &remaining)
{
    if (remaining <= 0)
        return false;
    --remaining;
    return true;
}
} // namespace

std::vector<uint8_t> TUpdateFault::Shape(std::vector<uint8_t> block) const
{
    if (Empty)
        return {};
    if (TruncateTo && *TruncateTo < block.size())
        block.resize(*TruncateTo);
    return block;
}

void TLinkFaults::Apply(const TCommand &c)
{
    switch (c.Verb) {
    case TVerb::RefuseInit: fRefuseInitCode = c.Value; break;
    case TVerb::InitError: fInitError = c.Value; break;
    case TVerb::NullReference: fNullReference = true; break;
    case TVerb::RefuseUpdates:
        fRefuseUpdates = c.Count;
        fRefuseUpdateCode = c.Value;
        break;
    case TVerb::Delay: fLatency = std::chrono::milliseconds(c.Value); break;
    case TVerb::DropCompletion: fDrops = c.Count; break;
    case TVerb::EmptyBlock: fEmpties = c.Count; break;
    case TVerb::TruncatedBlock:
        fTruncations = c.Count;
        fTruncateTo = std::size_t(c.Value);
        break;
    default: break;
    }
}

TInitialiseFault TLinkFaults::TakeInitialiseFault()
{
    TInitialiseFault fault;
    if (fRefuseInitCode) {
        fault.RefuseCode = std::exchange(fRefuseInitCode, std::nullopt);
        return fault;
    }
    fault.CompletionResult = std::exchange(fInitError, 0);
    fault.NullReference = std::exchange(fNullReference, false);
    return fault;
}

std::optional<int32_t> TLinkFaults::TakeUpdateRefusal()
{
    if (Consume(fRefuseUpdates))
        return fRefuseUpdateCode;
    return std::nullopt;
}

TUpdateFault TLinkFaults::TakeUpdateFault()
{
    TUpdateFault fault;
    fault.Drop = Consume(fDrops);
    fault.Empty = Consume(fEmpties);
    if (Consume(fTruncations))
        fault.TruncateTo = fTruncateTo;
    return fault;
}

} // namespace V57Sim
