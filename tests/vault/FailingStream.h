#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "vault/Streams.h"

// A memory stream whose reads and writes stop short once a budget of bytes is used up, as a
// failing disk or a closed pipe would. It also counts the calls, so a test can prove that
// nothing was read or written at all.
class TFailingStream : public TStream {
public:
    static constexpr std::uint32_t kUnlimited = 0xFFFFFFFF;

    TFailingStream(std::vector<std::uint8_t> bytes, std::uint32_t readBudget,
                   std::uint32_t writeBudget)
        : FReadBudget(readBudget), FWriteBudget(writeBudget) {
        FInner.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        FInner.Seek(0);
    }

    std::uint32_t Size() const override { return FInner.Size(); }
    std::uint32_t Position() const override { return FInner.Position(); }
    void Seek(std::uint32_t position) override { FInner.Seek(position); }

    std::uint32_t Read(void* buffer, std::uint32_t count) override {
        ++ReadCalls;
        const std::uint32_t allowed = std::min(count, FReadBudget);
        const std::uint32_t got = FInner.Read(buffer, allowed);
        FReadBudget -= FReadBudget == kUnlimited ? 0 : got;
        return got;
    }

    std::uint32_t Write(const void* buffer, std::uint32_t count) override {
        ++WriteCalls;
        const std::uint32_t allowed = std::min(count, FWriteBudget);
        const std::uint32_t put = FInner.Write(buffer, allowed);
        FWriteBudget -= FWriteBudget == kUnlimited ? 0 : put;
        return put;
    }

    std::vector<std::uint8_t> Bytes() const {
        return std::vector<std::uint8_t>(FInner.Data(), FInner.Data() + FInner.Size());
    }

    int ReadCalls = 0;
    int WriteCalls = 0;

private:
    TMemoryStream FInner;
    std::uint32_t FReadBudget;
    std::uint32_t FWriteBudget;
};
