#include "settings/ui/ConfigAreaWrapCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
constexpr int PreferredTextWidth = 420;
constexpr int MinimumTextWidth = 120;
} // namespace

ConfigAreaWrapCheckBox::ConfigAreaWrapCheckBox(QWidget* parent) : QCheckBox(parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int ConfigAreaWrapCheckBox::textIndent() const
{
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
           style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
}

QRect ConfigAreaWrapCheckBox::textRect(int width) const
{
    const int textWidth = qMax(1, width - textIndent());
    return fontMetrics().boundingRect(QRect(0, 0, textWidth, 100000), Qt::TextWordWrap, text());
}

int ConfigAreaWrapCheckBox::heightForWidth(int width) const
{
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    return qMax(indicator, textRect(width).height()) + 2;
}

QSize ConfigAreaWrapCheckBox::sizeHint() const
{
    const int width = textIndent() + PreferredTextWidth;
    return {width, heightForWidth(width)};
}

QSize ConfigAreaWrapCheckBox::minimumSizeHint() const
{
    const int width = textIndent() + MinimumTextWidth;
    return {width, style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this) + 2};
}

void ConfigAreaWrapCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);

    // The indicator stands beside the first line, not in the middle of the block.
    const int indicatorWidth = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
    const int indicatorHeight = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    const int lineHeight = fontMetrics().height();
    QStyleOptionButton indicator = option;
    indicator.rect =
        QRect(0, 1 + qMax(0, (lineHeight - indicatorHeight) / 2), indicatorWidth, indicatorHeight);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, indicator);

    const QRect text(textIndent(), 1, width() - textIndent(), height() - 1);
    painter.drawItemText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, option.palette, isEnabled(),
                         option.text, QPalette::WindowText);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = text.adjusted(-1, 0, 1, 0) & rect();
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}
