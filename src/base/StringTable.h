#pragma once

#include <string_view>

// Every caption, message and fixed name the program's own code uses. The table is compiled in,
// exists before the first window and never changes. Texts are Windows-1252 (here all ASCII).
namespace Str {

// Product, files and keys
inline constexpr std::string_view sAppTitle = "Dravenor Cofferix FREE";
inline constexpr std::string_view sAppDescription =
    "Dravenor Cofferix FREE is designed to help you create secure passwords that are extremely "
    "difficult to crack or guess. Also it can help you to manage your password, account and "
    "other private information.";
inline constexpr std::string_view sStatusNotice = "No database is open.";
inline constexpr std::string_view sHomePage = "https://www.dravenor.com/cofferix/";
inline constexpr std::string_view sRegistryKeyName = "Dravenor Cofferix FREE";
inline constexpr std::string_view sAppDataFolder = "Dravenor Cofferix FREE";
inline constexpr std::string_view sDefaultVaultFile = "UserData.dat";
inline constexpr std::string_view sScrambleKey = "HostLedger.ini";
inline constexpr std::string_view sAutorunSwitch = "autorun";

// Main window
inline constexpr std::string_view sFind = "Find";
inline constexpr std::string_view sChangeMasterMenu = "Change Master Password";
inline constexpr std::string_view sExportList = "Export List";
inline constexpr std::string_view sFileMenu = "File";
inline constexpr std::string_view sEditMenu = "Edit";
inline constexpr std::string_view sDisplayPassword = "Display Password";
inline constexpr std::string_view sAddRecordAction = "Add Record";
inline constexpr std::string_view sDeleteRecordAction = "Delete Record";
inline constexpr std::string_view sModifyRecordAction = "Modify Record";
inline constexpr std::string_view sBackupDatabase = "Backup Database";
inline constexpr std::string_view sImportDatabase = "Import Database";
inline constexpr std::string_view sClose = "Close";
inline constexpr std::string_view sPassGenButton = "Password Generator";
inline constexpr std::string_view sLockWorkspace = "Lock WorkSpace";
inline constexpr std::string_view sColTitle = "Title";
inline constexpr std::string_view sColUserName = "User Name";
inline constexpr std::string_view sColPassword = "Password";
inline constexpr std::string_view sColUrl = "URL";
inline constexpr std::string_view sColNotes = "Notes";
inline constexpr std::string_view sFilterPlaceholder = "Filter (Ctrl+E)";

// Read by screen readers only: names of controls that have no label.
inline constexpr std::string_view sRecordTreeName = "Records";
inline constexpr std::string_view sFilterName = "Filter records";
inline constexpr std::string_view sGeneratedPasswordsName = "Generated passwords";

// Dialog windows
inline constexpr std::string_view sPassGenCaption = "Password Generator";
inline constexpr std::string_view sPassGenInfo =
    "The Password Generator allows you to create random passwords that are highly secure and "
    "extremely difficult to crack or guess due to an optional combination of lower and upper "
    "case letters,numbers and punctuation symbols.";
inline constexpr std::string_view sClear = "Clear";
inline constexpr std::string_view sUnlockCaption = "Authentication";
inline constexpr std::string_view sMasterPassword = "Master password";
inline constexpr std::string_view sOpenDatabaseCaption = "Open Database";
inline constexpr std::string_view sNewMasterCaption = "Crete New Password";
inline constexpr std::string_view sNewMasterPrompt =
    "Please create a Master password to protect your program";
inline constexpr std::string_view sChangeMasterCaption = "Change Access Password";
inline constexpr std::string_view sChangeMasterPrompt =
    "Please set a new password to protect your program";
inline constexpr std::string_view sCurrentPassword = "Currect Password:";
inline constexpr std::string_view sNewPassword = "New Password:";
inline constexpr std::string_view sConfirmPassword = "Confirm Password:";
inline constexpr std::string_view sDatabaseFile = "Database file:";
inline constexpr std::string_view sBrowse = "Browse...";
inline constexpr std::string_view sOK = "OK";
inline constexpr std::string_view sCancel = "Cancel";
inline constexpr std::string_view sAddRecordCaption = "Add Record";
inline constexpr std::string_view sModifyRecordCaption = "Modify Record";
inline constexpr std::string_view sGroupName = "Group Name";
inline constexpr std::string_view sVeryWeak = "Very Weak";
inline constexpr std::string_view sWeak = "Weak";
inline constexpr std::string_view sStrong = "Strong";
inline constexpr std::string_view sVeryStrong = "Very Strong";

// Messages, prompts and group names
inline constexpr std::string_view sInvalidDatabase = "Invalid database!";
inline constexpr std::string_view sInvalidPassword = "Invalid Password!";
inline constexpr std::string_view sPasswordTooShort = "Need at least 6 letters for the password!";
inline constexpr std::string_view sCreateFolderFailed = "Failed to create the installation path %s";
inline constexpr std::string_view sConfirmDelete = "Are you sure to delete these records?";
inline constexpr std::string_view sBackupDone = "Backup the database successfully!";
inline constexpr std::string_view sCopiedToClipboard =
    "The text has been copied to the clipboard successfully!";
inline constexpr std::string_view sCopyPrefix = "Copy ";
inline constexpr std::string_view sRenameGroupCaption = "Rename Group";
inline constexpr std::string_view sRenameGroupPrompt =
    "Please input a new group name for the seletced group";
inline constexpr std::string_view sDefaultGroup = "Default Group";
inline constexpr std::string_view sUnlockBalloon = "Double Click here to unlock the program.";
inline constexpr std::string_view sWarning = "Warning";
inline constexpr std::string_view sQuery = "Query";

// Texts of what this program adds beside the system's own windows: its safety checks, the find
// window, the locked window on a desktop without a notification area, file filters
inline constexpr std::string_view sVaultNotLoaded =
    "The database was not loaded, so changes are not saved to it.";
// Backup, text export and the generator's Save refuse to write over the open vault.
inline constexpr std::string_view sDestinationIsOpenVault =
    "This is the open database file. Please choose another file.";
// A question; "%s" is the path of the existing file.
inline constexpr std::string_view sReplaceWithNewVault =
    "The file \"%s\" already exists. Replace it with a new, empty database?";
inline constexpr std::string_view sUnexpectedError = "An unexpected error occurred.";
inline constexpr std::string_view sFindCaption = "Find";
inline constexpr std::string_view sFindNext = "Find";
inline constexpr std::string_view sFindClose = "Close";
inline constexpr std::string_view sLockedNotice =
    "The workspace is locked. Enter the master password to unlock it.";
inline constexpr std::string_view sUnlockButton = "Unlock";
inline constexpr std::string_view sBackupFilter = "Data File (*.dat)";
inline constexpr std::string_view sBackupSuffix = "dat";
inline constexpr std::string_view sExportFilter = "Text File (*.txt)";
inline constexpr std::string_view sExportSuffix = "txt";

// Sharing the vault file with other programs (the command-line tool, a second copy)
inline constexpr std::string_view sVaultChangedElsewhere =
    "The database was changed by another program since it was loaded, so nothing was saved.";
inline constexpr std::string_view sVaultReloadedRepeat =
    "It has been reloaded with the other program's changes: repeat your change if you still "
    "want it.";
inline constexpr std::string_view sVaultReloaded =
    "The database was changed by another program and has been reloaded.";
// The unlock reads the records again from the file; that read failed.
inline constexpr std::string_view sRecordsNotReadAgain =
    "The records could not be read again from the database:\n%s\n\nNothing was written to it; "
    "it is read again when its file changes.";
inline constexpr std::string_view sVaultInUse =
    "The database is in use by another program. Try again in a moment.";
inline constexpr std::string_view sWaitingForVault =
    "Waiting for another program to finish with the database...";
inline constexpr std::string_view sChangesUnsaved =
    "Changes not saved yet: they are saved with your next change.";
inline constexpr std::string_view sLoseUnsavedChanges =
    "Some of your changes could not be saved into the database:\n%s\n\nGo on and lose them?";
inline constexpr std::string_view sPasswordChangedElsewhere =
    "The master password of this database was changed by another program. Type the new one to "
    "go on.";
inline constexpr std::string_view sNotTheNewPassword =
    "This is not the master password that opens the database now: another program changed it. "
    "Type the new one.";
// The lock that keeps a second copy of the program out could not be taken; "%s" names the
// folders where it was wanted.
inline constexpr std::string_view sSecondCopyNotKeptOut =
    "Another copy of the program may run at the same time, and each may overwrite the other's "
    "changes: the lock that keeps a second copy out could not be made in a folder that only "
    "this user can write (%s).";

// Vault format 2; "%s" is the path of the file.
inline constexpr std::string_view sVaultDamaged =
    "The database file \"%s\" is damaged and cannot be opened";

// The database format: what each format means, and its conversion. "%1" to "%3" are numbers.
inline constexpr std::string_view sDatabaseFormatMenu = "Database Format...";
inline constexpr std::string_view sDatabaseFormatCaption = "Database Format";
inline constexpr std::string_view sFormatIs = "This database is stored in:";
inline constexpr std::string_view sFormat2Name =
    "Format 2 (Argon2id key stretching, authenticated encryption, any character)";
inline constexpr std::string_view sFormat101Name =
    "Format 101 (readable by version 1 programs; no key stretching)";
inline constexpr std::string_view sFormat2Kdf =
    "The master password is stretched with Argon2id: %1 MiB of memory, %2 iterations, "
    "parallelism %3.";
inline constexpr std::string_view sFormat101Risk =
    "Anyone with a copy of this file can try millions of master passwords a second. It holds "
    "only Windows-1252 characters, and each field has a fixed length.";
inline constexpr std::string_view sConvertTo2Meaning =
    "Converting to format 2 stretches the master password, so that every guess costs about a "
    "second, and authenticates the file, so that any change made to it is detected. Records "
    "may then hold any character and text of any length. Version 1 programs cannot read the "
    "converted file. Nothing is lost.";
inline constexpr std::string_view sConvertTo101Meaning =
    "Converting to format 101 makes the file readable by version 1 programs, but a copy of it "
    "falls again to fast offline guessing, and it holds only Windows-1252 text and fixed field "
    "lengths. If some records do not fit, they are listed and nothing is converted.";
inline constexpr std::string_view sConvertTo2Button = "Convert to Format &2";
inline constexpr std::string_view sConvertTo101Button = "Convert to Format &101";
inline constexpr std::string_view sConvertedTo2 = "The database was converted to format 2.";
inline constexpr std::string_view sConvertedTo101 = "The database was converted to format 101.";

// Options
inline constexpr std::string_view sOptionsMenu = "Options";
inline constexpr std::string_view sOptionsCaption = "Options";
inline constexpr std::string_view sClearClipboardLabel =
    "&Clear a copied password from the clipboard after (seconds, 0 = never):";
inline constexpr std::string_view sIdleLockLabel =
    "Lock the workspace after this many &minutes without input (0 = never):";
inline constexpr std::string_view sLockWithSession =
    "Lock the workspace when the desktop &session is locked";
inline constexpr std::string_view sNewVaultsVersion1 =
    "New databases are &readable by version 1 programs";
inline constexpr std::string_view sBreachListLabel =
    "&Breach list file for the password health report (Have I Been Pwned, SHA-1 ordered by "
    "hash; empty = none):";
inline constexpr std::string_view sBrowseButton = "B&rowse...";
inline constexpr std::string_view sBreachListFilter = "Breach list (*.txt);;All Files (*)";

// The password health report. "%1" to "%5" are counts or texts.
inline constexpr std::string_view sHealthMenu = "Password Health...";
inline constexpr std::string_view sHealthCaption = "Password Health";
inline constexpr std::string_view sHealthColGroup = "Group";
inline constexpr std::string_view sHealthColTitle = "Title";
inline constexpr std::string_view sHealthColFinding = "Finding";
inline constexpr std::string_view sHealthColDetail = "Detail";
inline constexpr std::string_view sHealthWeak = "Weak";
inline constexpr std::string_view sHealthReused = "Reused";
inline constexpr std::string_view sHealthOld = "Old";
inline constexpr std::string_view sHealthBreached = "Breached";
inline constexpr std::string_view sHealthChecking = "Checking the passwords...";
inline constexpr std::string_view sHealthSummary =
    "%1 records: %2 weak, %3 reused, %4 old, %5 breached.";
inline constexpr std::string_view sHealthNoBreachList =
    "Breached passwords are not looked for: set a breach list file in Options.";
inline constexpr std::string_view sHealthMaster = "Master password: %1.";
inline constexpr std::string_view sHealthClose = "&Close";

// Other password managers' files and merging. "%1" and "%2" are names or counts.
inline constexpr std::string_view sImportOtherMenu = "Import from Another Manager...";
inline constexpr std::string_view sExportOtherMenu = "Export for Another Manager...";
inline constexpr std::string_view sMergeMenu = "Merge Database...";
inline constexpr std::string_view sImportOtherFilter =
    "Exports of other password managers (*.csv *.xml *.json);;All Files (*)";
inline constexpr std::string_view sExportOtherFilter =
    "KeePass 2 XML, for KeePassXC and KeePass (*.xml);;KeePassXC CSV (*.csv);;"
    "Bitwarden JSON, unencrypted (*.json)";
inline constexpr std::string_view sImportCannot =
    "\"%1\" cannot be imported. %2 Nothing was imported.";
inline constexpr std::string_view sImportQuestion =
    "%1 holds %2 records. Importing it into this database will give:\n\n%3\nImport them now?";
inline constexpr std::string_view sImported =
    "%1 records imported, %2 already present, %3 left out.";
inline constexpr std::string_view sExportOtherWarning =
    "The file will hold every password in clear, readable by anyone who gets a copy of it. "
    "Delete it once the other program has imported it.\n\nWrite it now?";
inline constexpr std::string_view sExportOtherSuffix =
    "Please choose a file name ending in .xml (KeePass 2 XML), .csv (KeePassXC CSV) or .json "
    "(Bitwarden JSON).";
inline constexpr std::string_view sMergeSameFile =
    "This is the open database file. Please choose another file.";
inline constexpr std::string_view sMergePasswordCaption = "Merge Database";
inline constexpr std::string_view sMergePasswordPrompt = "Master password of %1:";
inline constexpr std::string_view sMergeQuestion =
    "Merging %1 into this database will give:\n\n%2\nMerge it now?";
inline constexpr std::string_view sMerged =
    "Merged: %1 added, %2 updated, %3 kept as merged copies.";
inline constexpr std::string_view sConflictFound = "Sync conflict copy: %1";
inline constexpr std::string_view sConflictsFound = "%2 sync conflict copies, first: %1";
inline constexpr std::string_view sConflictMergeButton = "Merge...";
inline constexpr std::string_view sConflictDeleteQuestion =
    "The conflict copy %1 has been merged into this database. Delete the copy now?";

// Keyboard copies and the undo of a delete. "%1" and "%2" are names or counts.
inline constexpr std::string_view sUndoDeleteAction = "Undo Delete";
inline constexpr std::string_view sRenameGroupAction = "Rename Group";
inline constexpr std::string_view sCopyPasswordAction = "Copy Password";
inline constexpr std::string_view sCopyUserNameAction = "Copy User Name";
inline constexpr std::string_view sOpenUrlAction = "Open URL";
inline constexpr std::string_view sCopiedNotice = "%1 copied to the clipboard.";
inline constexpr std::string_view sCopiedSecretNotice =
    "%1 copied to the clipboard; it is cleared in %2 seconds.";
inline constexpr std::string_view sRecordsDeleted = "%1 records deleted. Ctrl+Z puts them back.";
inline constexpr std::string_view sRecordsPutBack = "%1 records put back.";
inline constexpr std::string_view sRecordsPutBackSomePresent =
    "%1 records put back; %2 were in the database again already.";

}  // namespace Str
