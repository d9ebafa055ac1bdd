#pragma once

#include <QWidget>

// The batch run's progress bar: a plain strip whose filled part is the given
// fraction of its width. Nothing resets it between runs; it keeps what the last
// run showed until the next run moves it.
class DataAreaProgressBar : public QWidget
{
    Q_OBJECT

public:
    explicit DataAreaProgressBar(QWidget* parent = nullptr);

    double fraction() const { return m_fraction; }
    void setFraction(double fraction);
    // Width in pixels of the filled part as painted now.
    int filledWidth() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_fraction = 0.0;
};
