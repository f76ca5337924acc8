// AES-256-ECB throughput of the project's multi-block cipher on each path beside OpenSSL's EVP
// interface, in one run on the same buffer, both directions; and the same buffer through the
// stream codec, as the vault operations use the cipher. The OpenSSL rows are the yardstick only;
// the program itself never links libcrypto.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "vault/ElAES.h"
#include "vault/NodeData.h"
#include "vault/StreamCodec.h"

namespace {

constexpr std::size_t kBufferBytes = 4u << 20;
constexpr std::size_t kBlocks = kBufferBytes / 16;

AesKey256 BenchKey() {
    AesKey256 key{};
    for (std::size_t i = 0; i < key.size(); ++i) {
        key[i] = static_cast<std::uint8_t>(0x3D * i + 7);
    }
    return key;
}

std::vector<std::uint8_t> PatternBuffer() {
    std::vector<std::uint8_t> buffer(kBufferBytes);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        buffer[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
    }
    return buffer;
}

struct TCipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using TCipherContext = std::unique_ptr<EVP_CIPHER_CTX, TCipherContextFree>;

// An EVP context for AES-256-ECB without padding, for one direction.
TCipherContext OpenSslContext(const AesKey256& key, bool encrypt) {
    TCipherContext context(EVP_CIPHER_CTX_new());
    if (!context ||
        EVP_CipherInit_ex(context.get(), EVP_aes_256_ecb(), nullptr, key.data(), nullptr,
                          encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
        return nullptr;
    }
    return context;
}

bool OpenSslUpdate(EVP_CIPHER_CTX* context, const std::vector<std::uint8_t>& in,
                   std::vector<std::uint8_t>& out) {
    int written = 0;
    return EVP_CipherUpdate(context, out.data(), &written, in.data(),
                            static_cast<int>(in.size())) == 1 &&
           static_cast<std::size_t>(written) == in.size();
}

// Puts the project's cipher on the path the argument names and back when the benchmark ends.
class TPathChoice {
public:
    explicit TPathChoice(benchmark::State& state) : FWas(AesPathInUse()) {
        const auto path = static_cast<TAesPath>(state.range(0));
        if (!AesPathAvailable(path)) {
            state.SkipWithError("this processor or system cannot run this path");
        }
        AesUsePath(path);
        state.SetLabel(AesPathName(path));
    }
    TPathChoice(const TPathChoice&) = delete;
    TPathChoice& operator=(const TPathChoice&) = delete;
    ~TPathChoice() { AesUsePath(FWas); }

private:
    TAesPath FWas;
};

// The project's output on its path must be OpenSSL's, or the figures compare different work.
void CheckAgainstOpenSsl(benchmark::State& state, bool encrypt) {
    const AesKey256 key = BenchKey();
    const std::vector<std::uint8_t> in = PatternBuffer();
    std::vector<std::uint8_t> ours(in.size());
    std::vector<std::uint8_t> theirs(in.size());
    AesExpandedKey256 expanded = encrypt ? AesExpandEncryptKey(key) : AesExpandDecryptKey(key);
    if (encrypt) {
        AesEncryptBlocks(in.data(), expanded, ours.data(), kBlocks);
    } else {
        AesDecryptBlocks(in.data(), expanded, ours.data(), kBlocks);
    }
    WipeExpandedKey(expanded);
    const TCipherContext context = OpenSslContext(key, encrypt);
    if (!context || !OpenSslUpdate(context.get(), in, theirs) || ours != theirs) {
        state.SkipWithError("the project's bytes differ from OpenSSL's");
    }
}

// The argument is a TAesPath.
void BM_ProjectAes256Ecb(benchmark::State& state, bool encrypt) {
    const TPathChoice path(state);
    CheckAgainstOpenSsl(state, encrypt);
    const AesKey256 key = BenchKey();
    AesExpandedKey256 expanded = encrypt ? AesExpandEncryptKey(key) : AesExpandDecryptKey(key);
    const std::vector<std::uint8_t> in = PatternBuffer();
    std::vector<std::uint8_t> out(in.size());
    for (auto _ : state) {
        if (encrypt) {
            AesEncryptBlocks(in.data(), expanded, out.data(), kBlocks);
        } else {
            AesDecryptBlocks(in.data(), expanded, out.data(), kBlocks);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    WipeExpandedKey(expanded);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBufferBytes));
}

void BM_OpenSslEvpAes256Ecb(benchmark::State& state, bool encrypt) {
    const TCipherContext context = OpenSslContext(BenchKey(), encrypt);
    const std::vector<std::uint8_t> in = PatternBuffer();
    std::vector<std::uint8_t> out(in.size());
    if (!context) {
        state.SkipWithError("OpenSSL has no AES-256-ECB");
    }
    for (auto _ : state) {
        if (!OpenSslUpdate(context.get(), in, out)) {
            state.SkipWithError("EVP_CipherUpdate failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBufferBytes));
}

// Memory stream to memory stream, as a vault load or save runs the cipher. The argument is a
// TAesPath.
void BM_ProjectStreamCodec(benchmark::State& state, bool encrypt) {
    const TPathChoice path(state);
    const AesKey256 key = BenchKey();
    const std::vector<std::uint8_t> pattern = PatternBuffer();
    TMemoryStream source;
    source.Write(pattern.data(), static_cast<std::uint32_t>(pattern.size()));
    TMemoryStream destination;
    destination.Reserve(static_cast<std::uint32_t>(pattern.size()));
    for (auto _ : state) {
        destination.Seek(0);
        if (encrypt) {
            AesEncryptStream(source, 0, key, destination);
        } else {
            AesDecryptStream(source, 0, key, destination);
        }
        benchmark::DoNotOptimize(destination.Data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBufferBytes));
}

void ProjectPaths(benchmark::internal::Benchmark* benchmark) {
    for (const TAesPath path :
         {TAesPath::Tables, TAesPath::AesNi, TAesPath::Vaes256, TAesPath::Vaes512}) {
        benchmark->Arg(static_cast<std::int64_t>(path));
    }
    benchmark->Unit(benchmark::kMicrosecond);
}

BENCHMARK_CAPTURE(BM_ProjectAes256Ecb, Encrypt, true)->Apply(ProjectPaths);
BENCHMARK_CAPTURE(BM_OpenSslEvpAes256Ecb, Encrypt, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ProjectAes256Ecb, Decrypt, false)->Apply(ProjectPaths);
BENCHMARK_CAPTURE(BM_OpenSslEvpAes256Ecb, Decrypt, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ProjectStreamCodec, Encrypt, true)->Apply(ProjectPaths);
BENCHMARK_CAPTURE(BM_ProjectStreamCodec, Decrypt, false)->Apply(ProjectPaths);

}  // namespace

BENCHMARK_MAIN();
