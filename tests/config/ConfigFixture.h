#pragma once

#include "settings/ProgramFolder.h"
#include "shell/ui/ConfigArea.h"
#include "workspace/Workspace.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

// One Config area on a workspace whose program folder is a fresh temporary
// folder; what the area asks the browser to open is recorded.
struct ConfigFixture
{
    QTemporaryDir dir;
    Workspace workspace{ProgramFolder(dir.path())};
    QStringList navigated;
    ConfigArea area{workspace, [this](const QString& address) { navigated.append(address); }};

    ConfigFixture() { area.resize(1000, 640); }

    Settings& settings() { return workspace.settings(); }
    QString path(const QString& name) const { return dir.path() + u'/' + name; }

    template <typename T = QWidget> T* find(const QString& name)
    {
        T* widget = area.findChild<T*>(name);
        if (!widget)
            qWarning("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
        return widget;
    }

    void click(const QString& name)
    {
        auto* button = find<QAbstractButton>(name);
        if (button)
            button->click();
    }

    // The message boxes the area has opened and not yet closed.
    QList<QMessageBox*> openBoxes()
    {
        QList<QMessageBox*> boxes;
        for (QMessageBox* box : area.findChildren<QMessageBox*>())
            if (box->isVisible())
                boxes.append(box);
        return boxes;
    }

    void closeBoxes()
    {
        for (QMessageBox* box : openBoxes())
            box->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    bool write(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    }

    QByteArray read(const QString& name)
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};
