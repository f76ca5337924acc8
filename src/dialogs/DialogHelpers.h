#pragma once

#include <QString>
#include <exception>
#include <initializer_list>
#include <optional>
#include <string>

#include "base/VaultRules.h"

class QDialog;
class QLabel;
class QLayout;
class QLineEdit;
class QWidget;
class IVaultHost;

// Small pieces the dialogs share.

// Selects the whole text of the edit and gives it the keyboard focus.
void SelectAndFocus(QLineEdit* edit);

// Masks the edits with '*' or shows their text in clear.
void SetPasswordsMasked(std::initializer_list<QLineEdit*> edits, bool masked);

// A label's text as a screen reader should read it for the field it names: without the
// mnemonic marker ('&'; "&&" stands for a plain '&') and without a closing colon.
QString AccessibleNameOf(const QString& labelText);

// Makes the label the field's own: the label's mnemonic moves the focus to the field, and a
// screen reader reads the label's text (AccessibleNameOf) as the field's name.
void LabelField(QLabel* label, QWidget* field);

// Makes the keyboard focus move through the widgets in the given order.
void SetTabChain(std::initializer_list<QWidget*> widgets);

// The page of a master-password dialog: the rows from the top, free room below them, and the
// bottom row with leftButtons at its left and rightButtons at its right.
void LayOutPage(QDialog* dialog, std::initializer_list<QLayout*> rows,
                std::initializer_list<QWidget*> leftButtons,
                std::initializer_list<QWidget*> rightButtons);

// A password edit: at most maxLength characters of the code page, masked with '*'.
void MakePasswordEdit(QLineEdit* edit, int maxLength);

// Empties a password edit so that its text leaves memory with the dialog: the characters are
// overwritten where the edit keeps them and the undo history, which holds every character
// typed or removed (clear() adds to it), is dropped.
void WipePasswordEdit(QLineEdit* edit);

// A label that shows the picture of a resource path scaled to size x size.
QLabel* MakePicture(const QString& resource, int size, QWidget* parent);

// Tries a typed password against the vault at path. An error opening the file is shown with
// ShowError and answers nothing; the dialog then stays as it is. The clear bytes are wiped.
std::optional<bool> CheckTypedPassword(IVaultHost& host, const QString& path, const QString& typed);

// The new-password rule (CheckNewMasterPassword) on typed text; the clear bytes are wiped.
TNewPasswordProblem TypedNewPasswordProblem(const QString& password,
                                            const std::optional<QString>& confirmation);
