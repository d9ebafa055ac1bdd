#include "platform/ui/AppMessageBox.h"

#include "Version.h"

QMessageBox* AppMessageBox::open(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                 const QString& objectName, const QString& title)
{
    auto* box = new QMessageBox(icon, title.isEmpty() ? QStringLiteral(QUILLMARK_APP_TITLE) : title, text,
                                QMessageBox::Ok, parent);
    if (!objectName.isEmpty())
        box->setObjectName(objectName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}
