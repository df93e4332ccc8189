#include "dialogs/our_id_manager.h"

#include "dialogs/id_text.h"
#include "forms/forms.h"
#include "services/message.h"
#include "store/sources.h"

namespace dialogs {

namespace {

namespace ids = forms::manager;

struct Manager {
    std::shared_ptr<const DialogContext> context;
    std::function<void()> refill_editor;
    store::StoreConnection connection;
    store::RowSet rows;
};

void load_our_ids(runtime::Window& w, Manager& m) {
    auto stored = store::read_setting(m.connection, m.rows, m.context->store(), store::kOurIdsRow);
    if (stored) w.set_text(ids::kIdList, *stored);
}

void save_our_ids(runtime::Window& w, Manager& m) {
    std::string list = clean_id_text(w.text(ids::kIdList) + "\r\n");
    w.set_text(ids::kIdList, list);
    const auto result =
        store::write_setting(m.connection, m.rows, m.context->store(), store::kOurIdsRow, list);
    if (!result) {
        services::show_message(
            result.outcome == store::ActionOutcome::unavailable
                ? not_saved_message(store::failure_of(m.connection), m.context->database_path)
                : not_kept_message(store::failure_of(m.connection)));
        return;  // still open, showing the cleaned list, for another try
    }
    // Only the editor that opened this manager is still open to be refilled.
    if (m.context->manager_origin == kManagerFromEditor && m.refill_editor) m.refill_editor();
    m.context->manager_origin.clear();
    w.close();
}

}  // namespace

runtime::Handlers our_id_manager_handlers(std::shared_ptr<const DialogContext> context,
                                          std::function<void()> refill_editor) {
    auto m = std::make_shared<Manager>();
    m->context = std::move(context);
    m->refill_editor = std::move(refill_editor);
    runtime::Handlers h;
    h[forms::ops::kLoadOurIds] = [m](runtime::Window& w, const runtime::EventArgs&) {
        load_our_ids(w, *m);
    };
    h[forms::ops::kSaveOurIds] = [m](runtime::Window& w, const runtime::EventArgs&) {
        save_our_ids(w, *m);
    };
    return h;
}

}  // namespace dialogs
