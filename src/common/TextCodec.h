#pragma once

#include <QString>
#include <QValidator>
#include <exception>
#include <string>

#include "base/VaultText.h"

class QLineEdit;
class QPlainTextEdit;
class QWidget;

// The one place where the model's text (UTF-8) and widget text (QString) meet, and where the
// edits learn what the open vault holds: format 101 only Windows-1252 (the file's edge
// converts it exactly, all 256 byte values), format 2 any character.

// What the open vault holds; edits refuse what it cannot. The program has one vault open.
void SetVaultTextKind(TVaultTextKind kind);
TVaultTextKind VaultTextKind();

QString AnsiToQString(const std::string& bytes);
inline QString AnsiToQString(std::string_view bytes) {
    return AnsiToQString(std::string(bytes));
}
// A NUL-terminated text (the two overloads above would make a literal ambiguous).
inline QString AnsiToQString(const char* bytes) {
    return AnsiToQString(std::string(bytes));
}
// The model's text of a widget's; check IsAnsiText first where it matters.
std::string QStringToAnsi(const QString& text);
// True when the open vault can hold every character of text.
bool IsAnsiText(const QString& text);
// Converts the string-table entries.
inline QString Tr(std::string_view entry) {
    return AnsiToQString(entry);
}

// A path as the file system spells it, for the core's file functions.
std::string NativePath(const QString& path);
// The message of a failure the core reported, for a box. The program's own texts are ASCII;
// paths in them are in the file system's encoding.
QString ErrorText(const std::exception& error);

// The first character of text that the open vault cannot hold (a surrogate pair whole), or
// nothing.
QString FirstForeignCharacter(const QString& text);
// Says at a shown field, in a tool tip, that the open vault cannot hold this character and how
// to get one that can; an edit that hides what is typed does not spell the character out.
void ShowRefusedCharacter(QWidget* field, const QString& character);

// Refuses input with characters Windows-1252 cannot hold, so nothing typed is silently changed,
// and says so at the field it belongs to (its parent; see ShowRefusedCharacter).
// With a length limit it also refuses text longer than the limit, except that text the program
// showed beyond it (see SetStoredText) may stay as long as it is, but not grow.
class TAnsiValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    TAnsiValidator(int maxLength, QObject* parent) : QValidator(parent), FLimit(maxLength) {}
    State validate(QString& input, int& pos) const override;
    void AllowLength(qsizetype length) const { FAllowed = length; }

private:
    int FLimit = -1;
    mutable qsizetype FAllowed = 0;
};

// Sets the validator and the length limit (characters = bytes) on a line edit.
void MakeAnsiEdit(QLineEdit* edit, int maxLength);
// Limits a plain-text edit to maxLength bytes as the vault stores them (a line break is CR LF,
// two bytes) and to characters of the code page: longer or foreign input is cut back, and a
// foreign character cut is named in a tool tip (ShowRefusedCharacter).
void MakeAnsiMemo(QPlainTextEdit* memo, int maxLength);

// Shows stored text whole, even beyond the edit's limit, which bounds only what is typed (other
// writers of the vault fill fields beyond it). The edit then refuses to grow past the longer of
// the two. The memo is left unmodified.
void SetStoredText(QLineEdit* edit, const QString& text);
void SetStoredText(QPlainTextEdit* memo, const QString& text);
