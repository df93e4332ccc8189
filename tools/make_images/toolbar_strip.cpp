#include <array>
#include <stdexcept>

#include "resources/resource_ids.h"
#include "tools/make_images/toolbar_images.h"

namespace imagemaker {
namespace {

using Draw = void (*)(Canvas&);

// Indexed by the LQ_IMAGE_* numbers, which the toolbar definition refers to.
constexpr std::array<Draw, LQ_TOOLBAR_IMAGE_COUNT> kDrawings = [] {
    std::array<Draw, LQ_TOOLBAR_IMAGE_COUNT> d{};
    d[LQ_IMAGE_SEARCH] = draw_search;
    d[LQ_IMAGE_REFRESH] = draw_refresh;
    d[LQ_IMAGE_WEBSITE] = draw_website;
    d[LQ_IMAGE_ADD_CUSTOMER] = draw_add_customer;
    d[LQ_IMAGE_DELETE] = draw_delete;
    d[LQ_IMAGE_CHART] = draw_chart;
    d[LQ_IMAGE_EDIT] = draw_edit;
    d[LQ_IMAGE_OUR_IDS] = draw_our_ids;
    d[LQ_IMAGE_CLOSED_DEALS] = draw_closed_deals;
    d[LQ_IMAGE_MORE_OPTIONS] = draw_more_options;
    d[LQ_IMAGE_CALENDAR] = draw_calendar;
    d[LQ_IMAGE_OPEN_FOLLOW_UPS] = draw_open_follow_ups;
    d[LQ_IMAGE_EXPORT] = draw_export;
    return d;
}();

}  // namespace

Canvas draw_toolbar_image(int index) {
    if (index < 0 || index >= LQ_TOOLBAR_IMAGE_COUNT)
        throw std::out_of_range("no toolbar image with this index");
    Canvas c(LQ_TOOLBAR_IMAGE_SIZE, LQ_TOOLBAR_IMAGE_SIZE);
    kDrawings[static_cast<std::size_t>(index)](c);
    return c;
}

Canvas draw_toolbar_strip() {
    Canvas strip(LQ_TOOLBAR_IMAGE_SIZE * LQ_TOOLBAR_IMAGE_COUNT, LQ_TOOLBAR_IMAGE_SIZE);
    for (int i = 0; i < LQ_TOOLBAR_IMAGE_COUNT; ++i)
        strip.paste(draw_toolbar_image(i), i * LQ_TOOLBAR_IMAGE_SIZE, 0);
    return strip;
}

}  // namespace imagemaker
