#pragma once
// The colours of the program's charts on a window of the skin: bars and the percent line in
// hues of their own, each darkened or lightened only as far as it takes to stand out from the
// window behind it, so that they read on a light skin and a dark one alike.
#include <array>

#include "skin/colour.h"

namespace skin {

struct ChartColours {
    Rgb background;           // the window's own
    Rgb text;                 // titles and labels
    Rgb axis;                 // the axes and tick marks
    Rgb grid;                 // gridlines, faint behind the bars
    std::array<Rgb, 4> bars;  // one per series, in turn
    Rgb line;
};

// Bars and line at least 3:1 against `background` (as WCAG asks of graphics), and told apart
// from each other; the text is `text` where it reads at 4.5:1, black or white where not.
ChartColours chart_colours(Rgb background, Rgb text);

}  // namespace skin
