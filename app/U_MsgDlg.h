// The program's message boxes: a fixed caption and icon for each kind of message, a fixed set of buttons.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// What ShowMessageBox gives back: the button pressed, or kMsgNone when no box could be shown.
inline constexpr int kMsgNone = 0;
inline constexpr int kMsgOk = 1;
inline constexpr int kMsgCancel = 2;
inline constexpr int kMsgYes = 6;
inline constexpr int kMsgNo = 7;

// Button sets: 0 OK, 1 Yes/No, 2 Yes/No/Cancel, 3 OK/Cancel; any other value shows OK.
// Kinds: 0 "Message", 1 "Warning", 2 "Error", 3 "Question", 4 "Information", each with its icon; any
// other value shows an empty caption and no icon. The captions are never translated.

// The buttons of `buttonSet`.
QMessageBox::StandardButtons MessageBoxButtons(quint8 buttonSet);
// The caption of `kind`.
QString MessageBoxCaption(quint8 kind);
// The icon of `kind`.
QMessageBox::Icon MessageBoxIcon(quint8 kind);

// Shows `text` in a box modal to `owner`'s window with the buttons of `buttonSet` and the caption and
// icon of `kind`; the first button is the default. Returns 1 OK, 2 Cancel, 6 Yes, 7 No, or 0 when no box
// could be shown (no application with widgets). Callers translate `text` before; user-interface thread.
int ShowMessageBox(QWidget* owner, const QString& text, quint8 buttonSet, quint8 kind);
// Asks a Yes/No question: ShowMessageBox with button set 1 and kind 3; only 6 means yes.
int AskYesNo(QWidget* owner, const QString& text);
// The plain message dialog: `text` with the application's title as caption, no icon and one OK button.
void ShowPlainMessage(const QString& text, QWidget* owner = nullptr);

// Answers a box in place of the user: gets the box set up as it would be shown and returns the button it
// presses, or QMessageBox::NoButton for a box that could not be shown.
using MessageBoxAnswerer = std::function<QMessageBox::StandardButton(QMessageBox& box)>;
// Routes every box of the program to `answerer` instead of the user (tests); an empty answerer restores
// real boxes. Returns the answerer it replaces.
MessageBoxAnswerer SetMessageBoxAnswerer(MessageBoxAnswerer answerer);
