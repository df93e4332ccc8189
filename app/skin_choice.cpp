#include "app/skin_choice.h"

#include "forms/forms.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/sources.h"

namespace app {

namespace {

store::StoreLocation where(const MainContext& context) {
    return {context.state.database_path, store::kDatabasePassword};
}

}  // namespace

void restore_skin(runtime::Window& window, MainContext& context) {
    auto stored =
        store::read_setting(context.connection, context.rows, where(context), store::kSkinRow);
    window.set_text(forms::main::kSkinSelector, stored.value_or(""));
}

void on_skin_selector_changed(runtime::Window& window, MainContext& context) {
    // A store that cannot be opened keeps the skin attached but does not remember it.
    store::write_setting(context.connection, context.rows, where(context), store::kSkinRow,
                         window.text(forms::main::kSkinSelector));
}

}  // namespace app
