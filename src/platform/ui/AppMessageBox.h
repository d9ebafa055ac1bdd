#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

#include <functional>

class QObject;
class QWidget;

// The program's message boxes: titled with the application's title unless a
// title is given, window-modal to parent and shown with open(), so no nested
// event loop runs; each deletes itself when closed.
//
// A box gets all its buttons, its default and its escape button before it is
// shown, never after: QMessageBox settles which button Escape presses when it
// is shown and keeps a plain pointer to it, so a button swapped afterwards
// leaves Escape and the close button pressing a deleted one.
class AppMessageBox
{
public:
    // One button of a question: its text and its role, which sets its place
    // in the row.
    struct Answer
    {
        QString text;
        QMessageBox::ButtonRole role;
    };

    // A message with one OK button. The caller may connect to the box's
    // finished() signal.
    static QMessageBox* open(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                             const QString& objectName = QString(), const QString& title = QString());

    // A question with these answers in this order, the first one the default.
    // Escape and the window's close button give answers[safe], as its button
    // would. Once the box is closed, answered gets the index of the answer
    // (only while context lives).
    static QMessageBox* ask(QWidget* parent, const QString& text, const QString& objectName,
                            const QList<Answer>& answers, int safe, QObject* context,
                            std::function<void(int)> answered);
};
