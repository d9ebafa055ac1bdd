#include "platform/ui/AppMessageBox.h"

#include "Version.h"

#include <QPushButton>

namespace {

// Not shown yet: the caller adds the buttons first.
QMessageBox* makeBox(QWidget* parent, QMessageBox::Icon icon, const QString& text, const QString& objectName,
                     const QString& title)
{
    auto* box = new QMessageBox(icon, title.isEmpty() ? QStringLiteral(QUILLMARK_APP_TITLE) : title, text,
                                QMessageBox::NoButton, parent);
    if (!objectName.isEmpty())
        box->setObjectName(objectName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

} // namespace

QMessageBox* AppMessageBox::open(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                 const QString& objectName, const QString& title)
{
    QMessageBox* box = makeBox(parent, icon, text, objectName, title);
    box->setStandardButtons(QMessageBox::Ok);
    box->open();
    return box;
}

QMessageBox* AppMessageBox::ask(QWidget* parent, const QString& text, const QString& objectName,
                                const QList<Answer>& answers, int safe, QObject* context,
                                std::function<void(int)> answered)
{
    Q_ASSERT(safe >= 0 && safe < answers.size());
    QMessageBox* box = makeBox(parent, QMessageBox::Question, text, objectName, QString());
    QList<QAbstractButton*> buttons;
    for (const Answer& answer : answers) {
        QPushButton* button = box->addButton(answer.text, answer.role);
        if (buttons.isEmpty())
            box->setDefaultButton(button);
        buttons.append(button);
    }
    box->setEscapeButton(buttons.at(safe));
    QObject::connect(box, &QMessageBox::finished, context,
                     [box, buttons, safe, answered = std::move(answered)] {
                         // The close button closes the box without clicking
                         // any button: that too is the safe answer.
                         const qsizetype clicked = buttons.indexOf(box->clickedButton());
                         answered(clicked < 0 ? safe : int(clicked));
                     });
    box->open();
    return box;
}
