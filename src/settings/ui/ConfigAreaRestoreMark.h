#pragma once

#include <QAbstractButton>

class QLineEdit;

// A restore button: a small dark mark over the top right-hand corner of its
// field. Its caption is the field's default text, shown as a tooltip; a click
// is all it offers, the owner writes the caption into the field.
class ConfigAreaRestoreMark : public QAbstractButton
{
    Q_OBJECT

public:
    static constexpr int MarkWidth = 9;
    static constexpr int MarkHeight = 13;

    ConfigAreaRestoreMark(const QString& defaultText, QLineEdit* field);

    QSize sizeHint() const override { return {MarkWidth, MarkHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeOnField();

    QLineEdit* m_field;
};
