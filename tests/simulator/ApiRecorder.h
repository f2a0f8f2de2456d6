// Records what libV57API.so's callbacks deliver, on whatever thread they come,
// and offers the few round trips the contract, fault and socket tests make.
// The tag of a request travels as its CallbackParam.
#pragma once

#include "StimulatorRecord.h"
#include "V57API.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct TCompletion {
    enum class TKind { Initialise, Update, Close };
    TKind Kind = TKind::Update;
    int32_t Result = 0;
    std::vector<uint8_t> Block;
    bool NullBlock = false;
    intptr_t Tag = 0;
    std::thread::id Thread;
};

class TApiRecorder {
public:
    // Long enough for a loaded machine; only a missing callback waits it out.
    static constexpr std::chrono::seconds Patience{20};

    static TApiRecorder &Instance()
    {
        static TApiRecorder recorder;
        return recorder;
    }
    static void *Tag(intptr_t tag) { return reinterpret_cast<void *>(tag); }

    static void PXV57_CALL OnInitialise(int32_t result, void *param)
    {
        Instance().Add(TCompletion::TKind::Initialise, result, param);
    }
    static void PXV57_CALL OnUpdate(int32_t result, const uint8_t *state, int32_t size, void *param)
    {
        Instance().Add(TCompletion::TKind::Update, result, param, state, size);
    }
    static void PXV57_CALL OnClose(int32_t result, void *param)
    {
        Instance().Add(TCompletion::TKind::Close, result, param);
    }

    // Waits until `count` completions have arrived since the last Clear.
    bool WaitForCount(std::size_t count)
    {
        std::unique_lock lock(fMutex);
        return fArrived.wait_for(lock, Patience, [&] { return fCompletions.size() >= count; });
    }
    std::vector<TCompletion> Completions() const
    {
        std::lock_guard lock(fMutex);
        return fCompletions;
    }
    std::size_t Count() const
    {
        std::lock_guard lock(fMutex);
        return fCompletions.size();
    }
    void Clear()
    {
        std::lock_guard lock(fMutex);
        fCompletions.clear();
    }

private:
    void Add(TCompletion::TKind kind, int32_t result, void *param, const uint8_t *state = nullptr,
             int32_t size = 0)
    {
        TCompletion c;
        c.Kind = kind;
        c.Result = result;
        c.Tag = reinterpret_cast<intptr_t>(param);
        c.NullBlock = state == nullptr;
        if (state && size > 0)
            c.Block.assign(state, state + size);
        c.Thread = std::this_thread::get_id();
        std::lock_guard lock(fMutex);
        fCompletions.push_back(std::move(c));
        fArrived.notify_all();
    }

    mutable std::mutex fMutex;
    std::condition_variable fArrived;
    std::vector<TCompletion> fCompletions;
};

// Round trips through the C entry points. Each returns nullopt when the
// request is refused or its callback does not come.
namespace ApiRoundTrip {

inline std::optional<TCompletion> Last()
{
    const auto all = TApiRecorder::Instance().Completions();
    return all.empty() ? std::nullopt : std::optional(all.back());
}

inline std::optional<TCompletion> Initialise(int32_t &reference)
{
    auto &recorder = TApiRecorder::Instance();
    const std::size_t before = recorder.Count();
    if (PXV57_Initialise(&reference, nullptr, TApiRecorder::OnInitialise, nullptr) != PXV57_PENDING
        || !recorder.WaitForCount(before + 1))
        return std::nullopt;
    return Last();
}

inline std::optional<TCompletion> Update(int32_t reference, const std::vector<uint8_t> &newState = {})
{
    auto &recorder = TApiRecorder::Instance();
    const std::size_t before = recorder.Count();
    int32_t size = 0;
    if (PXV57_UpdateEx(reference, nullptr, newState.empty() ? nullptr : newState.data(),
                       int32_t(newState.size()), nullptr, &size, TApiRecorder::OnUpdate, nullptr)
            != PXV57_PENDING
        || !recorder.WaitForCount(before + 1))
        return std::nullopt;
    return Last();
}

inline bool Close(int32_t &reference)
{
    auto &recorder = TApiRecorder::Instance();
    const std::size_t before = recorder.Count();
    return PXV57_Close(&reference, nullptr, TApiRecorder::OnClose, nullptr) == PXV57_PENDING
           && recorder.WaitForCount(before + 1);
}

// A block of one settings record.
inline std::vector<uint8_t> SettingsBlock(const StimulatorRecord::TSettings &settings)
{
    std::vector<uint8_t> block(DeviceBlock::BlockSize(1, StimulatorRecord::Size));
    DeviceBlock::WriteInt32(block.data(), 1);
    StimulatorRecord::WriteSettings(block.data() + DeviceBlock::HeaderSize, settings);
    return block;
}

// The reports in a returned block, in its order.
inline std::vector<StimulatorRecord::TReport> Reports(const std::vector<uint8_t> &block)
{
    const DeviceBlock::TBlockView view(block.data(), block.size(), StimulatorRecord::Size);
    std::vector<StimulatorRecord::TReport> reports;
    for (int k = 0; k < view.RecordCount(); ++k)
        reports.push_back(StimulatorRecord::ReadReport(view.Record(k)));
    return reports;
}

} // namespace ApiRoundTrip
