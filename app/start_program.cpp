#include "app/start_program.h"

#include "app/list_commands.h"
#include "app/main_window.h"
#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/hosts.h"
#include "services/status_pipeline.h"
#include "services/update_check.h"

namespace app {

int start_program() {
    // Released when the main window has closed and the run ends.
    MainContext context;
    jet::OsFileSystem files;
    context.files = &files;
    context.status_setup = services::program_status_setup();
    context.check_for_update = [] { services::check_for_update(); };
    context.home_page = services::home_page_address(services::service_hosts());
    auto& windows = runtime::platform().windows();
    runtime::Window& main = windows.open(forms::main_window(), main_window_handlers(context));
    install_dialog_handlers(context, main);
    return windows.run(main);
}

}  // namespace app
