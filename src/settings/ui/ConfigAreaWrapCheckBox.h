#pragma once

#include <QCheckBox>

// A check box whose caption wraps onto several lines, for captions far wider
// than the page. The caption stays one text; only the drawing breaks it.
class ConfigAreaWrapCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit ConfigAreaWrapCheckBox(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

private:
    int textIndent() const;
    QRect textRect(int width) const;
};
