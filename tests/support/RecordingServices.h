#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>

#include "common/Services.h"

// A services backend for tests: records every call and answers from a script, so that no
// test ever shows a real box or blocks. Install it for the life of a test; the destructor
// puts the real backend back.
class QMimeData;

class TRecordingServices : public IServicesBackend {
public:
    struct TBox {
        TBoxKind Kind;
        QString Caption;
        QString Text;
    };

    TRecordingServices();
    ~TRecordingServices() override;

    // Scripted answers, used in order; when a queue is empty: OK/Cancel answers true, the
    // input box and the file dialogs answer "cancelled".
    std::deque<bool> OkCancelAnswers;
    std::deque<QString> InputAnswers;  // an answer of QString() means Cancel
    std::deque<QString> OpenFileAnswers;
    std::deque<QString> SaveFileAnswers;
    bool ClipboardWorks = true;

    // What happened.
    QList<TBox> Boxes;
    QStringList Questions;
    QStringList QuestionCaptions;
    QStringList InputPrompts;
    QStringList InputCaptions;
    QStringList InputDefaults;
    QStringList SaveFilters;
    QStringList OpenFilters;
    QStringList SaveSuffixes;
    QStringList OpenInitialPaths;
    QStringList SaveInitialPaths;
    QStringList Clipboard;  // every text placed, in order
    // What the stand-in clipboard holds now (null when empty), and how often it was cleared.
    std::unique_ptr<QMimeData> ClipboardContent;
    int ClipboardClears = 0;
    QStringList OpenedTargets;
    QStringList DebugLines;
    int Beeps = 0;

    // Texts of the boxes of one kind, in order.
    QStringList BoxTexts(TBoxKind kind) const;

    void ShowBox(TBoxKind kind, QWidget* owner, const QString& caption,
                 const QString& text) override;
    bool AskOkCancel(QWidget* owner, const QString& caption, const QString& text) override;
    bool InputText(QWidget* owner, const QString& caption, const QString& prompt,
                   const QString& defaultText, QString& answer) override;
    QString OpenFileName(QWidget* owner, const QString& filter,
                         const QString& initialPath) override;
    QString SaveFileName(QWidget* owner, const QString& filter, const QString& defaultSuffix,
                         const QString& initialPath) override;
    bool SetClipboardText(const QString& text) override;
    bool SetClipboardData(QMimeData* data) override;
    const QMimeData* ClipboardData() override;
    void ClearClipboard() override;
    void OpenTarget(const QString& target) override;
    void Beep() override;
    void DebugLine(const QString& line) override;
};
