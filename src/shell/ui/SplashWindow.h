#pragma once

#include <QPixmap>
#include <QPoint>
#include <QTimer>
#include <QWidget>

class QLabel;

// The start window (Form1): the splash picture, cut to its outline, with the
// application title and version. It can be dragged by its body and, when its
// timer fires, shows the next window and closes.
class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int TimerIntervalMs = 3000;
    // Red, as a colour value with red in the low byte: the background and the key.
    static constexpr quint32 BackColor = 0x000000FF;

    explicit SplashWindow(QWidget& next, int intervalMs = TimerIntervalMs);

    QLabel* titleLabel() const { return m_label2; }
    QLabel* versionLabel() const { return m_label1; }
    quint32 keyColour() const { return m_key; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void onTimer();

    QWidget& m_next;
    QPixmap m_picture;
    QLabel* m_label1 = nullptr; // version
    QLabel* m_label2 = nullptr; // title
    quint32 m_key = BackColor;
    QTimer m_timer;
    bool m_manualDrag = false;
    QPoint m_dragOffset;
};
