#pragma once

#include <QString>

class QWidget;

#include <functional>

class QWidget;

// Message boxes. Every box goes through one function so that tests can answer them.
namespace Dialogs {

enum class Icon { Information, Question, Warning, Error };
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

struct Box {
    QString title;
    QString text;
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    // Captions of a Yes/No box that says its choices in words; empty: "&Yes" and "&No".
    // With captions, Escape gives Yes: the first choice is then the one that loses nothing.
    QString yesText = {};
    QString noText = {};
    // A Yes/No/Cancel box (the close question: 저장 / 저장 안 함 / 취소): Yes is the default,
    // Escape gives Cancel.
    QString cancelText = {};
};

// Shows `box` modally over the active window and returns the pressed button.
Answer Show(const Box& box);

// Plain information with OK, titled with the application's name.
void ShowMessage(const QString& text);
// The confirmation box: title "Confirm", question icon, "&Yes" and "&No"; true for Yes.
bool Confirm(const QString& text);
// The general error report.
void ShowError(const QString& text);

// Saves a PDF where the user says, in the standard save dialog titled "PDF로 저장" that starts
// at `suggested`: `write` makes the file (false: the user stopped it) and a message says it is
// saved. False when the dialog or the writing was cancelled.
bool SavePdf(QWidget* parent, const QString& suggested, const std::function<bool(const QString& path)>& write);

// Replaces the real boxes (tests). An empty hook restores them.
using Hook = std::function<Answer(const Box&)>;
void SetHook(Hook hook);

} // namespace Dialogs
