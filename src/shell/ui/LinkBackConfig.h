#pragma once

#include <QObject>

class QCheckBox;
class QLabel;
class QLineEdit;
class Workspace;

// The "My sites:" line and "Accept only pages with a followed link back"
// beside the reciprocal-link pattern in "3. Config". They edit the
// workspace's link-back preferences and save them to preferences.ini at
// once, as the run strip's connection boxes do; an entry that is not a site
// is named in red under the box (and in its tooltip) and left out.
class LinkBackConfig : public QObject
{
    Q_OBJECT

public:
    LinkBackConfig(Workspace& workspace, QLineEdit* sites, QCheckBox* acceptOnlyFollowed, QLabel* message,
                   QObject* parent = nullptr);

private:
    void apply();
    void showMessages();

    Workspace& m_workspace;
    QLineEdit* m_sites;
    QCheckBox* m_acceptOnlyFollowed;
    QLabel* m_message;
};
