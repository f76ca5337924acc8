#include "cli/CommandTable.h"

#include "cli/Commands.h"

namespace {

const TOptionSpec kPasswordStdin{
    "--password-stdin", "",
    "read each password as one line from standard input instead of the terminal"};
const TOptionSpec kGuid{"--guid", "GUID",
                        "of the matching records, take the one with this GUID (see show)"};
const TOptionSpec kUser{"--user", "U", "the user name or ID"};
const TOptionSpec kUrl{"--url", "U", "the URL"};
const TOptionSpec kNotes{"--notes", "N", "the notes (a line break starts a new line)"};
const TOptionSpec kGenerate{
    "--generate", "",
    "a random password of 16 characters (small and capital letters, digits, punctuation)"};
const TOptionSpec kAskPassword{"--ask-password", "",
                               "ask for the record's password (after the master password)"};

std::vector<TCommandSpec> BuildTable() {
    return {
        {"create",
         RunCreate,
         "VAULT",
         "make a new empty vault",
         "Makes a new empty vault at VAULT, creating missing folders. Asks for the new master\n"
         "password twice (new, then confirm); it needs at least 6 letters. A file that exists\n"
         "already is refused unless --force is given. The vault is format 2 (its key stretched\n"
         "with Argon2id for about a second, any text) unless --format 1 asks for format 101,\n"
         "which version 1 programs read.",
         1,
         1,
         {{"--force", "", "replace a file that exists at VAULT"},
          {"--format", "F", "2 (the default) or 1 (format 101; \"101\" is taken too)"},
          kPasswordStdin}},
        {"info",
         RunInfo,
         "VAULT",
         "show the vault's format, key derivation, counts and times",
         "Prints the format of VAULT and, for format 2, its key derivation parameters (memory,\n"
         "iterations, parallelism), and the sync conflict copies of VAULT in its folder\n"
         "(Syncthing's, Nextcloud's, ownCloud's and Dropbox's; see merge), which need no\n"
         "password. Then asks for the master password and prints the number of groups and\n"
         "records, when the vault was created and when its master password was last set.",
         1,
         1,
         {kPasswordStdin}},
        {"convert",
         RunConvert,
         "VAULT --to F",
         "convert the vault to format 2 or back to format 101",
         "Rewrites VAULT in place in format F: 2, or 1 (format 101, also written 101). The\n"
         "file is replaced only once the new one is complete. Converting to format 2 keeps\n"
         "everything, and converting back gives the former format-101 file back. Converting to\n"
         "format 101 is refused, with nothing written, when a record holds a character\n"
         "outside Windows-1252 or a field longer than format 101 holds (title and user name\n"
         "128 bytes, password and URL 256, notes 1024), or when the master password holds such\n"
         "a character; the refusal lists the records by group and title.",
         1,
         1,
         {{"--to", "F", "the format to convert to: 2 or 1"}, kPasswordStdin}},
        {"check",
         RunCheck,
         "VAULT",
         "exit 0 when the master password opens the vault",
         "Asks for the master password of VAULT. Ends with status 0 when it opens the vault\n"
         "and 1 when it does not.",
         1,
         1,
         {kPasswordStdin}},
        {"ls",
         RunList,
         "VAULT",
         "list the groups and their records' titles",
         "Lists the groups of VAULT, each followed by the titles of its records, indented, in\n"
         "the order of the file.",
         1,
         1,
         {kPasswordStdin}},
        {"show",
         RunShow,
         "VAULT GROUP TITLE",
         "show a record's fields",
         "Shows every record whose group is GROUP and whose title is TITLE (letters a to z\n"
         "match A to Z): its group, title, user name, URL, notes, the time it was added and\n"
         "its GUID. The password is shown only with --show-password.",
         3,
         3,
         {{"--show-password", "", "show the password in clear"}, kGuid, kPasswordStdin}},
        {"add",
         RunAdd,
         "VAULT GROUP TITLE",
         "add a record",
         "Adds a record titled TITLE to the first group named GROUP that holds records\n"
         "(letters a to z match A to Z), or to a new group at the end. The record gets a\n"
         "fresh GUID and the current time. Without --generate or --ask-password its password\n"
         "is empty.",
         3,
         3,
         {kUser, kUrl, kNotes, kGenerate, kAskPassword, kPasswordStdin}},
        {"edit",
         RunEdit,
         "VAULT GROUP TITLE",
         "change a record",
         "Changes the record whose group is GROUP and whose title is TITLE; only the fields\n"
         "given change, and its GUID and times stay. --group moves it to the first group of\n"
         "that name that holds records, or to a new group at the end; the group it leaves\n"
         "stays, even when empty. When several records match, nothing is changed unless\n"
         "--guid picks one.",
         3,
         3,
         {{"--title", "T", "the new title"},
          kUser,
          kUrl,
          kNotes,
          {"--group", "G", "move the record to this group"},
          kGenerate,
          kAskPassword,
          kGuid,
          kPasswordStdin}},
        {"rm",
         RunRemove,
         "VAULT GROUP [TITLE]",
         "remove a record, or a group with its records",
         "Removes the record whose group is GROUP and whose title is TITLE; without TITLE,\n"
         "removes the group GROUP with all its records. When several records or groups match,\n"
         "nothing is removed unless --guid picks one record.",
         2,
         3,
         {kGuid, kPasswordStdin}},
        {"export",
         RunExport,
         "VAULT FILE",
         "write the \"Export List\" text",
         "Writes the \"Export List\" text of VAULT to FILE (\"-\": standard output), exactly as\n"
         "the window writes it: seven lines for every group and record, the passwords in\n"
         "clear, in the vault's own text (Windows-1252 for format 101, UTF-8 for format 2)\n"
         "with CR LF line ends. A new FILE is\n"
         "readable by its owner only; FILE may not be the vault itself.\n"
         "With --to F, writes instead a file that another password manager imports:\n"
         "keepassxc-csv (KeePassXC's CSV), keepass-xml (KeePass 2 XML, which KeePassXC,\n"
         "KeePass and keepassxc-cli import read) or bitwarden-json (Bitwarden's unencrypted\n"
         "JSON). The passwords are in clear there too.",
         2,
         2,
         {{"--to", "F", "keepassxc-csv, keepass-xml or bitwarden-json"}, kPasswordStdin}},
        {"import",
         RunImport,
         "VAULT FILE",
         "take in the records of another password manager's export",
         "Reads FILE, an export of another password manager, and adds its records to VAULT in\n"
         "one change. The format is told from the content unless --from names it:\n"
         "keepassxc-csv, keepass-xml, bitwarden-json, bitwarden-csv, chrome-csv or\n"
         "firefox-csv. Nested groups become one group named by their path (\"Internet/Email\");\n"
         "what has no field here (TOTP, custom fields, further URLs, card and identity\n"
         "fields, times without a field) goes into the notes as \"Name: value\" lines. A\n"
         "record identical to one in the vault is skipped, so importing a file twice adds\n"
         "nothing the second time. A format-101 vault leaves out, and lists, a record holding\n"
         "a character outside Windows-1252 or a field longer than format 101 holds; nothing\n"
         "is cut. A malformed or encrypted FILE is refused with the line, nothing imported.\n"
         "Prints how many records were added, skipped as already present and left out.",
         2,
         2,
         {{"--from", "F", "the format of FILE, when it should not be told from the content"},
          kPasswordStdin}},
        {"merge",
         RunMerge,
         "VAULT OTHER",
         "take in every record of another Cofferix vault",
         "Adds the records of OTHER, another Cofferix vault of either format (a sync conflict\n"
         "copy, say), to VAULT in one change. Records are matched by their GUID: one only in\n"
         "OTHER is added to its group; when both hold different content, the one changed\n"
         "later stays in place and the other is kept beside it as a copy whose title ends in\n"
         "\"(merged copy)\" (format 101 records no change time: both are kept). Merging the\n"
         "same file twice changes nothing the second time. Asks for VAULT's master password,\n"
         "then for OTHER's when that one does not open it. OTHER is not changed.",
         2,
         2,
         {kPasswordStdin}},
        {"backup",
         RunBackup,
         "VAULT FILE",
         "copy the vault file",
         "Checks the master password, then copies VAULT byte for byte to FILE, replacing it.\n"
         "The copy opens with the same master password. A new FILE is readable by its owner\n"
         "only; FILE may not be the vault itself.",
         2,
         2,
         {kPasswordStdin}},
        {"passwd",
         RunPasswd,
         "VAULT",
         "change the master password",
         "Changes the master password of VAULT. Asks for the current master password, then\n"
         "for the new one twice (new, then confirm); the new one needs at least 6 letters.",
         1,
         1,
         {kPasswordStdin}},
        {"generate",
         RunGenerate,
         "",
         "print random passwords",
         "Prints random passwords, one a line. Without a set option the passwords are made\n"
         "of small and capital letters, digits and punctuation; with any set option, of\n"
         "exactly the sets given.",
         0,
         0,
         {{"--length", "N", "characters per password, 6 to 128 (default 20)"},
          {"--count", "N", "how many passwords, 1 to 65000 (default 1)"},
          {"--lower", "", "small letters a to z"},
          {"--upper", "", "capital letters A to Z"},
          {"--digits", "", "digits 0 to 9"},
          {"--punctuation", "", "punctuation ~!@#$%^&*+=|\\:;\"?/."},
          {"--brackets", "", "brackets {}[]<>()"},
          {"--space", "", "the blank"},
          {"--minus", "", "the minus -"},
          {"--underline", "", "the underline _"}}},
        {"health",
         RunHealth,
         "VAULT",
         "list weak, reused, old and breached passwords",
         "Checks the password of every record of VAULT and prints one line for each thing\n"
         "found: the record's group and title, what is wrong and a detail, never the password.\n"
         "Weak: rated Weak or Very Weak by the record editor's meter, or under 40 bits by\n"
         "zxcvbn's estimate (which knows words like \"Password1\"), or empty. Reused: the same\n"
         "password as other records, which are named. Old: not changed for more than DAYS\n"
         "days; format 101 keeps no such time, so there the age counts from when the record\n"
         "was added. Breached: listed in FILE, Have I Been Pwned's list of passwords in its\n"
         "\"SHA-1, ordered by hash\" form, which is searched in place, not read whole. The\n"
         "master password's own rating comes first, and a line of counts last. Ends with\n"
         "status 0 when nothing is found and 4 when something is.",
         1,
         1,
         {{"--breached", "FILE", "look each password up in this breach list"},
          {"--older-than", "DAYS", "a password is old after this many days (default 365)"},
          {"--json", "", "print a JSON document for scripts instead"},
          kPasswordStdin}},
    };
}

}  // namespace

const TOptionSpec* TCommandSpec::FindOption(std::string_view name) const {
    for (const TOptionSpec& option : Options) {
        if (option.Name == name) {
            return &option;
        }
    }
    return nullptr;
}

const std::vector<TCommandSpec>& CommandTable() {
    static const std::vector<TCommandSpec> table = BuildTable();
    return table;
}

const TCommandSpec* FindCommand(std::string_view name) {
    for (const TCommandSpec& command : CommandTable()) {
        if (command.Name == name) {
            return &command;
        }
    }
    return nullptr;
}
