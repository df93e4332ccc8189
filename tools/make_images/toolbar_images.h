// The toolbar's pictures: LQ_TOOLBAR_IMAGE_COUNT square images, each showing what its
// button does, and the strip that holds them side by side.
#pragma once
#include "tools/make_images/canvas.h"

namespace imagemaker {

// Image `index` (one of the LQ_IMAGE_* numbers) on a transparent square canvas.
Canvas draw_toolbar_image(int index);

// Every image in index order, image i at x = i * LQ_TOOLBAR_IMAGE_SIZE.
Canvas draw_toolbar_strip();

// The pictures, one function each, drawn onto a transparent square canvas.
void draw_add_customer(Canvas& c);
void draw_our_ids(Canvas& c);
void draw_open_follow_ups(Canvas& c);
void draw_closed_deals(Canvas& c);
void draw_refresh(Canvas& c);
void draw_export(Canvas& c);
void draw_more_options(Canvas& c);
void draw_website(Canvas& c);
void draw_search(Canvas& c);
void draw_delete(Canvas& c);
void draw_chart(Canvas& c);
void draw_edit(Canvas& c);
void draw_calendar(Canvas& c);

}  // namespace imagemaker
