#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "vault/CofferixError.h"
#include "vault/StreamCodec.h"
#include "vault/Streams.h"

using TBytes = std::vector<std::uint8_t>;

// A fresh folder under /tmp for one test, removed with everything in it afterwards.
class TTempFolder {
public:
    TTempFolder() {
        char pattern[] = "/tmp/cofferix-vault-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        FPath = made ? made : "";
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    ~TTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }

    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }

    // The names of the entries in the folder, sorted.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(FPath)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string FPath;
};

inline TBytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const TBytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline unsigned PermissionBits(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

inline void FillStream(TMemoryStream& stream, const TBytes& bytes) {
    stream.Clear();
    stream.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    stream.Seek(0);
}

inline TBytes StreamBytes(const TMemoryStream& stream) {
    return TBytes(stream.Data(), stream.Data() + stream.Size());
}

// The whole ECB plaintext or ciphertext of bytes under the password's key.
inline TBytes DecryptBytes(const TBytes& cipher, const std::string& password) {
    TMemoryStream source;
    TMemoryStream plain;
    FillStream(source, cipher);
    AesDecryptStream(source, 0, PasswordKey(password), plain);
    return StreamBytes(plain);
}

inline TBytes EncryptBytes(const TBytes& plain, const std::string& password) {
    TMemoryStream source;
    TMemoryStream cipher;
    FillStream(source, plain);
    AesEncryptStream(source, 0, PasswordKey(password), cipher);
    return StreamBytes(cipher);
}

inline TBytes HexBytes(const std::string& hex) {
    TBytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// Puts the multi-block cipher on one path (true: the fastest one on the processor's AES
// instructions, where there are any; false: the tables) and back on the one it found when the
// scope ends.
class TCipherPathScope {
public:
    explicit TCipherPathScope(bool useHardware) : FWas(AesPathInUse()) {
        AesUseHardware(useHardware);
    }
    explicit TCipherPathScope(TAesPath path) : FWas(AesPathInUse()) { AesUsePath(path); }
    TCipherPathScope(const TCipherPathScope&) = delete;
    TCipherPathScope& operator=(const TCipherPathScope&) = delete;
    ~TCipherPathScope() { AesUsePath(FWas); }

private:
    TAesPath FWas;
};

// The message of the ECofferixError that function throws, or "(no error)".
template <typename TFunction>
std::string ErrorText(TFunction function) {
    try {
        function();
    } catch (const ECofferixError& error) {
        return error.what();
    }
    return "(no error)";
}
