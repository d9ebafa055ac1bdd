#include "partners/ui/PartnerPalette.h"

QColor PartnerPalette::color(PartnerState state)
{
    switch (state) {
    case PartnerState::Followed:
        return QColor(0x2e, 0x7d, 0x32);
    case PartnerState::Weakened:
        return QColor(0xf2, 0xa9, 0x00);
    case PartnerState::NoLink:
        return QColor(0xc6, 0x28, 0x28);
    case PartnerState::Gone:
        return QColor(0x9e, 0x9e, 0x9e);
    }
    return QColor(Qt::black);
}
