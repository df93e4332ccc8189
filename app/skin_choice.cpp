#include "app/skin_choice.h"

#include "app/store_choice.h"
#include "forms/forms.h"
#include "services/numbers.h"
#include "services/skin_loader.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/sources.h"

namespace app {

namespace {

void apply_selected_skin(const runtime::Window& window) {
    const std::string text = window.text(forms::main::kSkinSelector);
    services::apply_skin(services::to_integer(services::text_to_number(text)));
}

}  // namespace

void restore_skin(runtime::Window& window, MainContext& context) {
    auto stored = store::read_setting(context.connection, context.rows, local_store(context),
                                      store::kSkinRow);
    // Raises the selector's change event, which attaches and stores the skin.
    window.set_text(forms::main::kSkinSelector, stored.value_or(""));
    apply_selected_skin(window);
}

void on_skin_selector_changed(runtime::Window& window, MainContext& context) {
    apply_selected_skin(window);
    // A store that cannot be opened keeps the skin attached but does not remember it. The
    // text is read again: attaching redraws the window, which may have run its events.
    (void)store::write_setting(context.connection, context.rows, local_store(context),
                               store::kSkinRow, window.text(forms::main::kSkinSelector));
}

}  // namespace app
