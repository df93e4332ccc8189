#include "dialogs/chart_window.h"

#include "dialogs/shop_figures_window.h"
#include "forms/forms.h"
#include "runtime/platform.h"

namespace dialogs {

namespace {

constexpr int kOpenItem = 0;
constexpr int kClosedItem = 1;

struct ChartDialog {
    std::shared_ptr<const DialogContext> context;
    store::StoreConnection connection;
    store::RowSet rows;
};

void fill_counts(runtime::Window& w, ChartDialog& d) {
    const auto where = d.context->store();
    // A store that does not open counts nothing: the chart stays empty, the window still opens.
    const int closed = store::count_customers(d.connection, d.rows, where, true).value_or(0);
    const int open = store::count_customers(d.connection, d.rows, where, false).value_or(0);
    w.set_chart_value(forms::chart::kPie, kOpenItem, open);
    w.set_chart_value(forms::chart::kPie, kClosedItem, closed);
}

}  // namespace

runtime::Handlers chart_window_handlers(std::shared_ptr<const DialogContext> context) {
    auto d = std::make_shared<ChartDialog>();
    d->context = std::move(context);
    runtime::Handlers h;
    h[forms::ops::kChartCreated] = [d](runtime::Window& w, const runtime::EventArgs&) {
        fill_counts(w, *d);
    };
    h[forms::ops::kOpenFigures] = [d](runtime::Window&, const runtime::EventArgs&) {
        runtime::platform().windows().open_modal(forms::shop_figures_window(),
                                                 shop_figures_handlers(d->context));
    };
    h[forms::ops::kToggle3d] = [](runtime::Window& w, const runtime::EventArgs&) {
        w.set_chart_3d(forms::chart::kPie, w.checked(forms::chart::kThreeD));
    };
    return h;
}

}  // namespace dialogs
