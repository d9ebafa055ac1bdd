#pragma once

#include "partners/PartnerStates.h"

#include <QColor>

// The one colour of each state, shared by the chart, the timeline and the
// Partners list, so a colour means the same everywhere: green for followed,
// amber for a weakened link, red for none, grey for a page that is gone.
class PartnerPalette
{
public:
    static QColor color(PartnerState state);
};
