#include "support/RecordingServices.h"

#include <QMimeData>

TRecordingServices::TRecordingServices() {
    SetServicesBackend(this);
}

TRecordingServices::~TRecordingServices() {
    SetServicesBackend(nullptr);
}

QStringList TRecordingServices::BoxTexts(TBoxKind kind) const {
    QStringList texts;
    for (const TBox& box : Boxes) {
        if (box.Kind == kind) {
            texts.append(box.Text);
        }
    }
    return texts;
}

void TRecordingServices::ShowBox(TBoxKind kind, QWidget* owner, const QString& caption,
                                 const QString& text) {
    Q_UNUSED(owner);
    Boxes.append(TBox{kind, caption, text});
}

bool TRecordingServices::AskOkCancel(QWidget* owner, const QString& caption, const QString& text) {
    Q_UNUSED(owner);
    QuestionCaptions.append(caption);
    Questions.append(text);
    if (OkCancelAnswers.empty()) {
        return true;
    }
    const bool answer = OkCancelAnswers.front();
    OkCancelAnswers.pop_front();
    return answer;
}

bool TRecordingServices::InputText(QWidget* owner, const QString& caption, const QString& prompt,
                                   const QString& defaultText, QString& answer) {
    Q_UNUSED(owner);
    InputCaptions.append(caption);
    InputPrompts.append(prompt);
    InputDefaults.append(defaultText);
    if (InputAnswers.empty()) {
        return false;
    }
    const QString scripted = InputAnswers.front();
    InputAnswers.pop_front();
    if (scripted.isNull()) {
        return false;
    }
    answer = scripted;
    return true;
}

QString TRecordingServices::OpenFileName(QWidget* owner, const QString& filter,
                                         const QString& initialPath) {
    Q_UNUSED(owner);
    OpenFilters.append(filter);
    OpenInitialPaths.append(initialPath);
    if (OpenFileAnswers.empty()) {
        return QString();
    }
    const QString answer = OpenFileAnswers.front();
    OpenFileAnswers.pop_front();
    return answer;
}

QString TRecordingServices::SaveFileName(QWidget* owner, const QString& filter,
                                         const QString& defaultSuffix, const QString& initialPath) {
    Q_UNUSED(owner);
    SaveFilters.append(filter);
    SaveSuffixes.append(defaultSuffix);
    SaveInitialPaths.append(initialPath);
    if (SaveFileAnswers.empty()) {
        return QString();
    }
    const QString answer = SaveFileAnswers.front();
    SaveFileAnswers.pop_front();
    return answer;
}

bool TRecordingServices::SetClipboardText(const QString& text) {
    if (!ClipboardWorks) {
        return false;
    }
    Clipboard.append(text);
    ClipboardContent = std::make_unique<QMimeData>();
    ClipboardContent->setText(text);
    return true;
}

bool TRecordingServices::SetClipboardData(QMimeData* data) {
    std::unique_ptr<QMimeData> owned(data);
    if (!ClipboardWorks) {
        return false;
    }
    // A copy of its own: the clipboard's characters may be wiped when they leave it.
    const QString text = owned->text();
    Clipboard.append(QString(text.constData(), text.size()));
    ClipboardContent = std::move(owned);
    return true;
}

const QMimeData* TRecordingServices::ClipboardData() {
    return ClipboardContent.get();
}

void TRecordingServices::ClearClipboard() {
    ++ClipboardClears;
    ClipboardContent.reset();
}

void TRecordingServices::OpenTarget(const QString& target) {
    OpenedTargets.append(target);
}

void TRecordingServices::Beep() {
    ++Beeps;
}

void TRecordingServices::DebugLine(const QString& line) {
    DebugLines.append(line);
}
