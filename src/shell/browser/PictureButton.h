#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

// A picture that acts as a button: any mouse button pressed on it shows the
// pressed picture, any button released shows the picture at rest, and a press
// and release of the primary button over it is a click. Both pictures are read
// from their files each time, so a file that cannot be read leaves the picture
// that is shown in place.
class PictureButton : public QWidget
{
    Q_OBJECT

public:
    explicit PictureButton(QWidget* parent = nullptr);

    void setPictureFiles(const QString& atRest, const QString& pressed);
    const QString& atRestFile() const { return m_atRestFile; }
    const QString& pressedFile() const { return m_pressedFile; }

    // Both return whether the file could be read.
    bool loadAtRest();
    bool loadPressed();

    const QPixmap& picture() const { return m_picture; }

    // Drawn instead of a picture while none could be loaded.
    void setFallbackText(const QString& text);

    QSize sizeHint() const override;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool loadPicture(const QString& file);

    QString m_atRestFile;
    QString m_pressedFile;
    QString m_fallbackText;
    QPixmap m_picture;
    bool m_primaryDown = false;
};
