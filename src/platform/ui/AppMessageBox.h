#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// The program's one kind of message box: one OK button, titled with the
// application's title unless a title is given, window-modal to parent and
// shown with open(), so no nested event loop runs; it deletes itself when
// closed. The caller may connect to the box's finished() signal.
class AppMessageBox
{
public:
    static QMessageBox* open(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                             const QString& objectName = QString(), const QString& title = QString());
};
