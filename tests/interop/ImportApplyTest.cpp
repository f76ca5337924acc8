// Other managers' records into a vault: what the vault's format cannot hold stays out and is
// listed, nothing is cut, what is there already is not added twice, and a refused save leaves
// the file alone.

#include <atomic>
#include <future>

#include "InteropVaultFixture.h"
#include "interop/ImportApply.h"
#include "vault/Clock.h"
#include "vault/FileIdentity.h"

namespace {

TImportedRecord Imported(const std::string& group, const std::string& title,
                         const std::string& password, const std::string& notes = "",
                         const std::string& url = "") {
    TImportedRecord record;
    record.Group = group;
    record.Fields.Title = title;
    record.Fields.UserName = title + "-user";
    record.Fields.Password = password;
    record.Fields.Notes = notes;
    record.Fields.Url = url;
    record.Fields.Guid.Bytes.fill(0x11);  // the source's own id, which the vault must not take
    return record;
}

const std::string kAdvice = "; convert the database to format 2 to keep it";

class ImportApplyTest : public TInteropVaultFixture {
protected:
    static TImportSummary Import(TVaultSession& session, const TImportedRecords& records) {
        TImportSummary summary;
        session.Change([&](TVaultChange& change) {
            summary = ImportRecords(change, records, change.TextKind());
        });
        return summary;
    }
};

TEST_F(ImportApplyTest, Format101LeavesOutWhatItCannotHoldListsItAndCutsNothing) {
    TVaultSession session;
    Create(session, TVaultFormat::Format101);
    const std::string fullNotes = "first line\r\n" + std::string(1012, 'n');  // 1024 bytes
    const TImportedRecords records{
        Imported("Web", "Caf\u00E9 \u20AC shop", "pw1", fullNotes),
        Imported("Web", "Key \U0001F511", "pw2"),
        Imported("Web", "Long notes", "pw3", fullNotes + "x"),
        Imported("Mail", "Secret", "p\u00E4ss\u2713"),
        Imported("Mail", "Zero", "pw5", "", std::string("https://a\0b", 11)),
        Imported("Gr\u00FCn", "Plain", "pw6"),
    };

    const TImportSummary summary = Import(session, records);

    EXPECT_EQ(summary.Added, 2u);
    EXPECT_EQ(
        summary.LeftOut,
        (std::vector<std::string>{
            "Web / Key \U0001F511: the title holds the character U+1F511 outside "
            "Windows-1252, which format 101 cannot hold" +
                kAdvice,
            "Web / Long notes: the notes are longer than format 101's 1024 characters" + kAdvice,
            "Mail / Secret: the password holds a character outside Windows-1252, which "
            "format 101 cannot hold" +
                kAdvice,
            "Mail / Zero: the URL holds a zero character, which the database cannot hold",
        }));
    TRecordTree file;
    LoadFile(file);
    EXPECT_EQ(Listing(file),
              (std::vector<std::string>{
                  "Web",
                  "  Caf\u00E9 \u20AC shop | Caf\u00E9 \u20AC shop-user | pw1 | " + fullNotes,
                  "Gr\u00FCn",
                  "  Plain | Plain-user | pw6 | ",
              }));
}

// Format 2 seals every save under a fresh nonce: equal bytes prove that nothing was written.
TEST_F(ImportApplyTest, ImportingTheSameRecordsAgainAddsNothingAndLeavesTheFileByteIdentical) {
    const TFixedClock clock(45500.5);
    TVaultSession session;
    Create(session, TVaultFormat::Format2);
    session.Change([](TVaultChange& change) {
        TNodeData fields = Imported("", "Existing", "pw").Fields;
        change.AddRecord("Web", fields);
    });
    TImportedRecord dated = Imported("Web", "existing", "pw");  // the title differs in case
    dated.Fields.ModifiedTime = 45000.25;
    TImportedRecord undated = Imported("Bank", "Card \U0001F4B3", "pin", std::string(5000, 'n'));
    undated.Fields.AddedTime = 44000.75;
    const TImportedRecords records{
        Imported("WEB", "Existing", "pw"),  // the group differs in case only: present
        dated,
        undated,
        undated,  // earlier in the same batch
        Imported("Bank", "Bad", "\xFF\xFE"),
        Imported("Bank", "Nul", "pw", std::string("a\0b", 3)),
    };

    const TImportSummary first = Import(session, records);

    EXPECT_EQ(first.Added, 2u);
    EXPECT_EQ(first.AlreadyPresent, 2u);
    EXPECT_EQ(first.LeftOut,
              (std::vector<std::string>{
                  "Bank / Bad: the password is not valid UTF-8 text",
                  "Bank / Nul: the notes hold a zero character, which the database cannot hold"}));
    TRecordTree file;
    LoadFile(file);
    const TNodeData& existing = FindTitle(file, "existing")->Data;
    const TNodeData& card = FindTitle(file, "Card \U0001F4B3")->Data;
    EXPECT_EQ(card.Notes, std::string(5000, 'n'));
    EXPECT_EQ(existing.ModifiedTime, 45000.25);
    EXPECT_EQ(existing.PasswordChangedTime, 45000.25);
    EXPECT_EQ(existing.AddedTime, 45500.5);
    EXPECT_EQ(card.AddedTime, 44000.75);
    EXPECT_EQ(card.ModifiedTime, 45500.5);
    EXPECT_EQ(card.PasswordChangedTime, 45500.5);
    EXPECT_NE(card.Guid, records[2].Fields.Guid);
    EXPECT_NE(card.Guid, existing.Guid);

    const TBytes bytes = ReadFileBytes(VaultPath());
    const TImportSummary second = Import(session, records);
    EXPECT_EQ(second.Added, 0u);
    EXPECT_EQ(second.AlreadyPresent, 4u);
    EXPECT_EQ(second.LeftOut.size(), 2u);
    EXPECT_FALSE(session.HasUnsavedChanges());
    EXPECT_EQ(ReadFileBytes(VaultPath()), bytes);
}

// The importer takes the file in, then another program saves it while the importer waits for
// the lock: the importer's save is refused and writes nothing; its records stay unsaved until
// the retry puts them on top of the other program's change.
TEST_F(ImportApplyTest, ImportRefusedForAChangeMadeUnderTheSaveLockLeavesTheFileAsItWas) {
    TVaultSession importer;
    TVaultSession other;
    Create(importer, TVaultFormat::Format101);
    Open(other);
    const TImportedRecords records{Imported("Web", "one", "pw1"), Imported("Mail", "two", "pw2")};
    std::promise<void> tookIn;
    std::promise<void> mayImport;
    std::shared_future<void> importAllowed = mayImport.get_future().share();
    std::future<void> importing;
    TImportSummary summary;
    std::atomic<bool> fired{false};
    VaultOperationsTesting::SetAfterSaveCheck([&] {
        if (fired.exchange(true)) {
            return;
        }
        importing = std::async(std::launch::async, [&] {
            importer.Change([&](TVaultChange& change) {
                tookIn.set_value();
                importAllowed.wait();
                summary = ImportRecords(change, records, change.TextKind());
            });
        });
        tookIn.get_future().wait();  // the importer has seen the file as it is before this save
    });
    other.Change([](TVaultChange& change) { change.AddRecord("Web", TNodeData{}); });
    const TBytes written = ReadFileBytes(VaultPath());
    mayImport.set_value();

    EXPECT_THROW(importing.get(), EVaultChangedError);
    EXPECT_EQ(ReadFileBytes(VaultPath()), written);
    EXPECT_EQ(summary.Added, 2u);
    EXPECT_TRUE(importer.HasUnsavedChanges());
    importer.SaveChanges();
    TRecordTree file;
    LoadFile(file);
    EXPECT_EQ(Listing(file),
              (std::vector<std::string>{"Web", "   |  |  | ", "  one | one-user | pw1 | ", "Mail",
                                        "  two | two-user | pw2 | "}));
}

}  // namespace
