#include "common/TextCodec.h"

#include "base/Cp1252.h"
#include "base/Wipe.h"

#include <algorithm>
#include <limits>

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>
#include <memory>

namespace {

// The byte for a UTF-16 unit, or -1 when Windows-1252 cannot hold it.
int UnicodeToByte(char16_t unit) {
    return Cp1252ByteOf(unit);
}

bool IsLineBreak(QChar ch) {
    return ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator;
}

// Where a cut of excess stored bytes that ends at end starts, or -1 when the text before end
// is too short. A line break weighs two: the vault stores it as CR LF.
int CutStart(const QString& raw, int end, int excess) {
    int start = end;
    while (start > 0 && excess > 0) {
        --start;
        excess -= IsLineBreak(raw.at(start)) ? 2 : 1;
    }
    return excess > 0 ? -1 : start;
}

// The memo's limit beyond maxLength while it holds stored text set from code (SetStoredText).
constexpr const char* kAllowedProperty = "cofferixAllowedLength";

// Removes the characters the code page cannot hold from [first, last), the stretch that changed;
// answers the first one removed, or nothing.
QString DropForeign(QTextDocument* document, int first, int last) {
    last = std::min(last, document->characterCount() - 1);
    if (first >= last) {
        return {};
    }
    QTextCursor range(document);
    range.setPosition(first);
    range.setPosition(last, QTextCursor::KeepAnchor);
    // One character per document position; a block break reads as a paragraph separator.
    const QString text = range.selectedText();
    const QString dropped = FirstForeignCharacter(
        QString(text).replace(QChar::ParagraphSeparator, u' ').replace(QChar::LineSeparator, u' '));
    // Backwards, so that positions before the current one stay valid.
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar ch = text.at(i);
        if (!IsLineBreak(ch) && !IsAnsiText(QString(ch))) {
            QTextCursor eraser(document);
            eraser.setPosition(first + static_cast<int>(i));
            eraser.deleteChar();
        }
    }
    return dropped;
}

// The memo's length as stored, each line break two bytes (CR LF).
qint64 StoredLength(const QString& raw, int length) {
    qint64 stored = length;
    for (int i = 0; i < length && i < raw.size(); ++i) {
        stored += IsLineBreak(raw.at(i)) ? 1 : 0;
    }
    return stored;
}

// Removes foreign characters from the stretch [first, last) and cuts the memo back to its limit
// as stored. The cut takes the characters just before the cursor, which are the ones just typed
// or pasted. Only a memo that may be near its limit is counted: the generator's list of
// millions of characters has no limit, and a keystroke there must not read the whole text.
void CleanMemo(QPlainTextEdit* memo, int maxLength, int first, int last) {
    QTextDocument* document = memo->document();
    QTextCursor block(document);
    block.beginEditBlock();
    const QString dropped = DropForeign(document, first, last);
    const int length = document->characterCount() - 1;  // without the final paragraph mark
    const qint64 allowed =
        std::max<qint64>(maxLength, memo->property(kAllowedProperty).toLongLong());
    qint64 stored = length;
    if (2 * static_cast<qint64>(length) > maxLength) {
        // Raw text keeps non-breaking spaces and has one character per document position.
        const QString raw = document->toRawText();
        stored = StoredLength(raw, length);
        if (stored > allowed) {
            const int excess = static_cast<int>(stored - allowed);
            int end = memo->textCursor().position();
            int start = CutStart(raw, end, excess);
            if (start < 0) {
                end = length;
                start = CutStart(raw, end, excess);
            }
            QTextCursor eraser(document);
            eraser.setPosition(std::max(start, 0));
            eraser.setPosition(end, QTextCursor::KeepAnchor);
            eraser.removeSelectedText();
            stored = allowed;
        }
    }
    // Stored text beyond the limit may shrink but never grow again.
    memo->setProperty(kAllowedProperty, stored > maxLength ? QVariant(stored) : QVariant());
    block.endEditBlock();
    if (!dropped.isEmpty()) {
        ShowRefusedCharacter(memo, dropped);
    }
}

}  // namespace

namespace {
TVaultTextKind gVaultTextKind = TVaultTextKind::CodePage1252;
}  // namespace

void SetVaultTextKind(TVaultTextKind kind) {
    gVaultTextKind = kind;
}

TVaultTextKind VaultTextKind() {
    return gVaultTextKind;
}

QString AnsiToQString(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string QStringToAnsi(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::string bytes(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    // The array may have held a password: overwrite it before it goes.
    WipeBytes(const_cast<char*>(utf8.constData()), static_cast<std::size_t>(utf8.size()));
    return bytes;
}

bool IsAnsiText(const QString& text) {
    if (gVaultTextKind == TVaultTextKind::Unicode) {
        return true;
    }
    for (const QChar ch : text) {
        if (UnicodeToByte(ch.unicode()) < 0) {
            return false;
        }
    }
    return true;
}

QString FirstForeignCharacter(const QString& text) {
    if (gVaultTextKind == TVaultTextKind::Unicode) {
        return {};
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (UnicodeToByte(text.at(i).unicode()) >= 0) {
            continue;
        }
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        return text.mid(i, pair ? 2 : 1);
    }
    return {};
}

void ShowRefusedCharacter(QWidget* field, const QString& character) {
    // Text set from code into a field not yet shown is nothing the user typed.
    if (field == nullptr || !field->isVisible()) {
        return;
    }
    const auto* edit = qobject_cast<const QLineEdit*>(field);
    const bool hidden = edit != nullptr && edit->echoMode() != QLineEdit::Normal;
    const QString text =
        AnsiToQString(RefusedCharacterMessage(hidden ? std::string() : QStringToAnsi(character)));
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), text, field);
}

QValidator::State TAnsiValidator::validate(QString& input, int& pos) const {
    Q_UNUSED(pos);
    if (!IsAnsiText(input)) {
        ShowRefusedCharacter(qobject_cast<QWidget*>(parent()), FirstForeignCharacter(input));
        return Invalid;
    }
    if (FLimit >= 0 && input.size() > FLimit && input.size() > FAllowed) {
        return Invalid;
    }
    FAllowed = std::min(FAllowed, input.size());  // shortened stored text does not grow back
    return Acceptable;
}

void MakeAnsiEdit(QLineEdit* edit, int maxLength) {
    edit->setValidator(new TAnsiValidator(maxLength, edit));
    edit->setMaxLength(maxLength);
}

void MakeAnsiMemo(QPlainTextEdit* memo, int maxLength) {
    // The stretch changed since the last clean-up; the document reports it before the memo
    // says its text changed, and the memo is corrected only then, when the edit is complete.
    struct TState {
        bool Busy = false;
        int First = 0;
        int Last = -1;
    };
    auto state = std::make_shared<TState>();
    QObject::connect(memo->document(), &QTextDocument::contentsChange, memo,
                     [state](int position, int removed, int added) {
                         if (state->Busy) {
                             return;
                         }
                         if (state->Last < state->First) {
                             state->First = position;
                             state->Last = position + added;
                             return;
                         }
                         if (state->Last > position) {
                             state->Last += added - removed;
                         }
                         state->First = std::min(state->First, position);
                         state->Last = std::max(state->Last, position + added);
                     });
    QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [memo, maxLength, state]() {
        if (state->Busy) {
            return;  // our own correction
        }
        state->Busy = true;
        CleanMemo(memo, maxLength, state->First, state->Last);
        state->First = 0;
        state->Last = -1;
        state->Busy = false;
    });
    CleanMemo(memo, maxLength, 0, memo->document()->characterCount());
}

void SetStoredText(QLineEdit* edit, const QString& text) {
    if (text.size() > edit->maxLength()) {
        edit->setMaxLength(static_cast<int>(text.size()));
    }
    if (const auto* validator = qobject_cast<const TAnsiValidator*>(edit->validator())) {
        validator->AllowLength(text.size());
    }
    edit->setText(text);
}

void SetStoredText(QPlainTextEdit* memo, const QString& text) {
    memo->setProperty(kAllowedProperty, std::numeric_limits<qint64>::max());
    memo->setPlainText(text);
    memo->document()->setModified(false);
}

std::string NativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString ErrorText(const std::exception& error) {
    return QString::fromLocal8Bit(error.what());
}
