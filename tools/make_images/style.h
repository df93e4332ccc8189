// The colours and the drawing habits every picture of the program shares: the program's blue
// and orange, and shapes with a darker one-pixel rim so they stand out on light and dark
// backgrounds alike.
#pragma once
#include "tools/make_images/canvas.h"
#include "tools/make_images/shapes.h"

namespace imagemaker {

struct Tone {
    Rgba rim, top, bottom;  // edge colour, and the body's gradient from top to bottom
};

namespace palette {
inline const Tone blue{rgb(0x1B4C95), rgb(0x63A4EE), rgb(0x2B6CC8)};
inline const Tone orange{rgb(0xB85F08), rgb(0xFFC061), rgb(0xF08A1C)};
inline const Tone green{rgb(0x1C7334), rgb(0x6BD485), rgb(0x2DA44E)};
inline const Tone red{rgb(0x9E2A24), rgb(0xF2867B), rgb(0xD9443C)};
inline const Tone paper{rgb(0x6B7687), rgb(0xFFFFFF), rgb(0xE4EAF2)};
inline const Tone ink{rgb(0x262C36), rgb(0x6A7483), rgb(0x3C4452)};
inline const Rgba white = rgb(0xFFFFFF);
inline const Rgba text_grey = rgb(0x8C96A5);
}  // namespace palette

// Fills `shape` with a one-pixel rim of `tone.rim` around its gradient body.
void fill_toned(Canvas& canvas, const Shape& shape, const Tone& tone);

// The half of the canvas plane on one side of a line.
Shape above(double y);
Shape below(double y);
Shape left_of(double x);
Shape right_of(double x);

}  // namespace imagemaker
