// Conversion of a vault between format 101 and format 2, in place.

#include <algorithm>
#include <cstring>

#include "base/Cp1252.h"
#include "base/VaultText.h"
#include "base/Wipe.h"
#include "vault/CofferixError.h"
#include "vault/VaultFormat.h"
#include "vault/VaultOperations.h"
#include "vault/VaultOperations2.h"
#include "vault/VaultOperationsInternal.h"

using namespace VaultOperationsInternal;

namespace {

// Refuses a tree that format 101 cannot hold, naming group and title of every node (a group
// by its title alone) that it cannot.
void RefuseWhatFormat101CannotHold(const TRecordTree& tree) {
    std::string list;
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (VaultFormat::SlotHoldsNode(node->Data)) {
            continue;
        }
        const PNode parent = tree.Parent(node);
        list += "\n  " + (parent ? parent->Data.Title + " / " : std::string()) + node->Data.Title +
                (node->Data.IsGroup ? " (group)" : "");
    }
    if (!list.empty()) {
        throw EVaultFormatError(
            "The database cannot be converted to format 101: these records hold characters "
            "outside Windows-1252 or text longer than their field there. Nothing was "
            "written." +
            list);
    }
}

// Format 101's key is the master password's Windows-1252 bytes.
void RefusePasswordFormat101CannotHold(const std::string& password) {
    std::string ansi;
    const bool held = Utf8ToCp1252(password, ansi).Ok();
    WipeString(ansi);
    if (!held) {
        throw EVaultFormatError(
            "The database cannot be converted to format 101: the master password holds "
            "characters outside Windows-1252. Change the master password first. Nothing was "
            "written.");
    }
}

TFileIdentity ConvertTo2(const TLockedFile& file, const std::string& path,
                         const std::string& password, TVaultCredentials& credentials) {
    TRecordTree tree;
    const VaultFormat::TVaultHeader header = ReadVault101(file, path, password, tree);
    VaultFormat2::TVaultValues values;
    values.CreateTime = header.CreateTime;
    values.PasswordTime = header.PasswordTime;
    values.Reserved101.assign(header.Reserved.begin(), header.Reserved.end());
    return VaultOperations2::WriteNewKey(file, path, password, tree, std::move(values),
                                         credentials);
}

TFileIdentity ConvertTo101(const TLockedFile& file, const std::string& path,
                           const std::string& password, TVaultCredentials& credentials) {
    TRecordTree tree;
    VaultFormat2::TVaultValues values;
    VaultOperations2::Read(file, path, password, tree, values, credentials);
    RefusePasswordFormat101CannotHold(password);
    RefuseWhatFormat101CannotHold(tree);
    VaultFormat::TVaultHeader header = VaultFormat::FreshHeader();
    header.CreateTime = values.CreateTime;
    header.PasswordTime = values.PasswordTime;
    std::copy_n(values.Reserved101.begin(),
                std::min(values.Reserved101.size(), header.Reserved.size()),
                header.Reserved.begin());
    const TFileIdentity after = WriteVault101(file, path, header, tree, password);
    credentials.KeepFormat101();
    return after;
}

}  // namespace

TVaultReplacement VaultConvert(const std::string& path, const std::string& password,
                               TVaultFormat to, const TFileIdentity* expected,
                               TVaultCredentials* credentials) {
    const TLockedFile file = OpenVaultFile(path, TLockedFile::TAccess::ReadWrite);
    RefuseChangedFile(file, expected);
    const TFileIdentity before = file.Identity();
    const TVaultFormat from = IsFormat2File(file) ? TVaultFormat::Format2 : TVaultFormat::Format101;
    if (from == to) {
        throw EVaultFormatError(std::string("The database is format ") +
                                (to == TVaultFormat::Format2 ? "2" : "101") + " already.");
    }
    TVaultCredentials own;
    TVaultCredentials& kept = credentials ? *credentials : own;
    if (to == TVaultFormat::Format2) {
        return {before, ConvertTo2(file, path, password, kept)};
    }
    return {before, ConvertTo101(file, path, password, kept)};
}
