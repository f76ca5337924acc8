#include "vault/VaultOperations2.h"

#include <algorithm>
#include <vector>

#include "vault/AtomicFile.h"
#include "vault/Clock.h"
#include "vault/CofferixError.h"
#include "vault/VaultOperationsInternal.h"

using namespace VaultFormat2;
using namespace VaultOperationsInternal;

namespace {

// The whole file: it is read whole and sealed whole. It holds ciphertext only.
std::vector<std::uint8_t> ReadWholeFile(const TLockedFile& file, const std::string& path) {
    const std::uint64_t size = file.Size();
    RefuseOversized(path, size);
    std::vector<std::uint8_t> bytes(size);
    file.ReadRange(0, bytes.data(), bytes.size());
    return bytes;
}

// The clear header alone; a file too short to hold a header and a tag is damaged.
THeader ReadHeader(const TLockedFile& file, const std::string& path) {
    const std::uint64_t size = file.Size();
    RefuseOversized(path, size);
    std::vector<std::uint8_t> bytes(std::min<std::uint64_t>(size, kHeaderSize + kTagSize));
    file.ReadRange(0, bytes.data(), bytes.size());
    return DecodeHeader(bytes.data(), size, path);
}

// Derives the key of header from password into credentials; a key check that differs is a
// wrong password.
void DeriveInto(const THeader& header, const std::string& password,
                TVaultCredentials& credentials) {
    credentials.Keep(header, DeriveCheckedKey(header, password));
}

// The plaintext of the file, with the key the credentials hold when it fits, else derived.
TWipedBytes OpenFile(const std::vector<std::uint8_t>& bytes, const THeader& header,
                     const std::string& password, const std::string& path,
                     TVaultCredentials& credentials) {
    if (!credentials.Fits(header)) {
        DeriveInto(header, password, credentials);
    }
    return Open(bytes.data(), bytes.size(), header, credentials.Key(), path);
}

// Reads the values of the file into credentials, unless they hold them for this key.
void EnsureValues(const std::vector<std::uint8_t>& bytes, const THeader& header,
                  const std::string& password, const std::string& path,
                  TVaultCredentials& credentials) {
    if (credentials.Fits(header) && credentials.Values()) {
        return;
    }
    const TWipedBytes plaintext = OpenFile(bytes, header, password, path, credentials);
    TVaultValues values;
    TRecordTree scratch;
    DecodePlaintext(plaintext.Data(), plaintext.Size(), path, values, scratch);
    credentials.KeepValues(std::move(values));
}

// The file of the tree under the credentials' key, header and values, with a fresh nonce.
std::vector<std::uint8_t> SealedFile(THeader header, const TRecordTree& tree,
                                     const std::string& path,
                                     const TVaultCredentials& credentials) {
    header.Nonce = NewNonce();
    const TWipedBytes plaintext = EncodePlaintext(*credentials.Values(), tree);
    RefuseOversized(path, std::uint64_t{kHeaderSize} + plaintext.Size() + kTagSize);
    return Seal(header, credentials.Key(), plaintext);
}

TFileIdentity WriteKeptMode(const TLockedFile& file, const std::string& path,
                            const std::vector<std::uint8_t>& bytes) {
    TAtomicFileWriter writer(path, TFileMode::KeptFrom(file.Fd()));
    writer.Write(bytes.data(), bytes.size());
    return writer.Commit();
}

// A header with a new salt, the calibrated parameters and the key check of a key derived
// from password, which the credentials hold from now on.
THeader NewKeyedHeader(const std::string& password, TVaultCredentials& credentials) {
    THeader header;
    header.Salt = NewVaultSalt();
    header.Kdf = CalibratedKdfParameters();
    TDerivedKeys keys = DeriveVaultKeys(password, header.Salt, header.Kdf);
    header.KeyCheck = keys.KeyCheck;
    credentials.Keep(header, std::move(keys.CipherKey));
    return header;
}

}  // namespace

namespace VaultOperations2 {

bool CheckPassword(const TLockedFile& file, const std::string& path, const std::string& password,
                   bool wholeFile, TVaultCredentials& credentials) {
    const THeader header = ReadHeader(file, path);
    try {
        DeriveInto(header, password, credentials);
    } catch (const EVaultPasswordError&) {
        return false;
    }
    if (wholeFile) {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(file, path);
        Open(bytes.data(), bytes.size(), header, credentials.Key(), path);
    }
    return true;
}

TFileIdentity Create(const std::string& path, const std::string& password,
                     TVaultCredentials& credentials) {
    const THeader header = NewKeyedHeader(password, credentials);
    TVaultValues values;
    values.CreateTime = NowAsDateTime();
    values.PasswordTime = NowAsDateTime();
    credentials.KeepValues(std::move(values));
    const std::vector<std::uint8_t> bytes = SealedFile(header, TRecordTree(), path, credentials);
    // A new vault, owner-only whatever file it replaces.
    return WriteFileAtomically(path, bytes.data(), bytes.size(), TFileMode::OwnerOnly());
}

void Read(const TLockedFile& file, const std::string& path, const std::string& password,
          TRecordTree& tree, TVaultValues& values, TVaultCredentials& credentials) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(file, path);
    const THeader header = DecodeHeader(bytes.data(), bytes.size(), path);
    const TWipedBytes plaintext = OpenFile(bytes, header, password, path, credentials);
    DecodePlaintext(plaintext.Data(), plaintext.Size(), path, values, tree);
}

TFileIdentity WriteNewKey(const TLockedFile& file, const std::string& path,
                          const std::string& password, const TRecordTree& tree, TVaultValues values,
                          TVaultCredentials& credentials) {
    const THeader header = NewKeyedHeader(password, credentials);
    credentials.KeepValues(std::move(values));
    return WriteKeptMode(file, path, SealedFile(header, tree, path, credentials));
}

TVaultReplacement ChangePassword(const TLockedFile& file, const std::string& path,
                                 const std::string& currentPassword, const std::string& newPassword,
                                 TVaultCredentials& credentials) {
    const TFileIdentity before = file.Identity();
    TRecordTree tree;
    TVaultValues values;
    Read(file, path, currentPassword, tree, values, credentials);
    values.PasswordTime = NowAsDateTime();
    return {before, WriteNewKey(file, path, newPassword, tree, std::move(values), credentials)};
}

void Load(const TLockedFile& file, const std::string& path, const std::string& password,
          TRecordTree& tree, TVaultCredentials& credentials) {
    TVaultValues values;
    Read(file, path, password, tree, values, credentials);
    credentials.KeepValues(std::move(values));
}

// The key check proves the password (or the held key fits the file); only when the values
// are not known yet is the old content opened.
TFileIdentity Save(const TLockedFile& file, const std::string& path, const std::string& password,
                   const TRecordTree& tree, TVaultCredentials& credentials) {
    const THeader header = ReadHeader(file, path);
    if (!credentials.Fits(header)) {
        DeriveInto(header, password, credentials);
    }
    if (!credentials.Values()) {
        EnsureValues(ReadWholeFile(file, path), header, password, path, credentials);
    }
    return WriteKeptMode(file, path, SealedFile(header, tree, path, credentials));
}

TKdfParameters ReadKdf(const TLockedFile& file, const std::string& path) {
    return ReadHeader(file, path).Kdf;
}

}  // namespace VaultOperations2
