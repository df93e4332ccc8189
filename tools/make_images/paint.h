// Laying shapes onto a canvas with anti-aliased edges.
#pragma once
#include "tools/make_images/canvas.h"
#include "tools/make_images/shapes.h"

namespace imagemaker {

// How much of the pixel whose centre is `centre` the shape covers, 0..1. A pixel is taken
// as a unit area: coverage falls from 1 to 0 across the pixel that the edge runs through.
double coverage(const Shape& shape, Point centre);

// Lays `colour` over every pixel the shape covers, weighted by coverage.
void fill(Canvas& canvas, const Shape& shape, Rgba colour);
// The same with a colour that runs from `top` at y = y_top to `bottom` at y = y_bottom.
void fill_gradient(Canvas& canvas, const Shape& shape, Rgba top, Rgba bottom, double y_top,
                   double y_bottom);
// Makes the covered pixels transparent again, weighted by coverage: a gap between shapes.
void erase(Canvas& canvas, const Shape& shape);

}  // namespace imagemaker
