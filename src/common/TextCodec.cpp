#include "common/TextCodec.h"

#include "common/Cp1252.h"

#include <algorithm>

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <memory>

namespace {

char16_t ByteToUnicode(unsigned char byte) {
    return static_cast<char16_t>(Cp1252CharOf(byte));
}

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

// Removes foreign characters from the memo and cuts it back to maxLength bytes as stored. The
// cut takes the characters just before the cursor, which are the ones just typed or pasted.
void CleanMemo(QPlainTextEdit* memo, int maxLength) {
    QTextDocument* document = memo->document();
    QTextCursor block(document);
    block.beginEditBlock();
    // Raw text keeps non-breaking spaces and has one character per document position.
    QString raw = document->toRawText();
    // Backwards, so that positions before the current one stay valid.
    for (qsizetype i = raw.size() - 1; i >= 0; --i) {
        const QChar ch = raw.at(i);
        if (!IsLineBreak(ch) && UnicodeToByte(ch.unicode()) < 0) {
            QTextCursor eraser(document);
            eraser.setPosition(static_cast<int>(i));
            eraser.deleteChar();
        }
    }
    raw = document->toRawText();
    const int length = document->characterCount() - 1;  // without the final paragraph mark
    int stored = length;
    for (int i = 0; i < length && i < raw.size(); ++i) {
        stored += IsLineBreak(raw.at(i)) ? 1 : 0;
    }
    if (stored > maxLength) {
        const int excess = stored - maxLength;
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
    }
    block.endEditBlock();
}

}  // namespace

QString AnsiToQString(const std::string& bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char byte : bytes) {
        text.append(QChar(ByteToUnicode(static_cast<unsigned char>(byte))));
    }
    return text;
}

std::string QStringToAnsi(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        const int byte = UnicodeToByte(ch.unicode());
        if (byte >= 0) {
            bytes.push_back(static_cast<char>(byte));
            continue;
        }
        bytes.push_back('?');
        // A character outside the basic plane is one character, not two.
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
        }
    }
    return bytes;
}

bool IsAnsiText(const QString& text) {
    for (const QChar ch : text) {
        if (UnicodeToByte(ch.unicode()) < 0) {
            return false;
        }
    }
    return true;
}

QValidator::State TAnsiValidator::validate(QString& input, int& pos) const {
    Q_UNUSED(pos);
    return IsAnsiText(input) ? Acceptable : Invalid;
}

void MakeAnsiEdit(QLineEdit* edit, int maxLength) {
    edit->setValidator(new TAnsiValidator(edit));
    edit->setMaxLength(maxLength);
}

void MakeAnsiMemo(QPlainTextEdit* memo, int maxLength) {
    auto busy = std::make_shared<bool>(false);
    QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [memo, maxLength, busy]() {
        if (*busy) {
            return;  // our own correction
        }
        *busy = true;
        CleanMemo(memo, maxLength);
        *busy = false;
    });
    CleanMemo(memo, maxLength);
}

std::string NativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString ErrorText(const std::exception& error) {
    return QString::fromLocal8Bit(error.what());
}
