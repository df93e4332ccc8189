#include "runtime/win32/backend.h"

#include <memory>

#include "runtime/win32/code_pages.h"
#include "runtime/win32/files.h"
#include "runtime/win32/message_boxes.h"
#include "runtime/win32/secrets.h"
#include "runtime/win32/shell.h"
#include "runtime/win32/skin_engine.h"
#include "runtime/win32/windows.h"
#include "runtime/win32/wininet_http.h"

namespace runtime::win32 {

void install_adapters(Platform& platform) {
    platform.set_message_boxes(std::make_unique<Win32MessageBoxes>());
    platform.set_code_pages(std::make_unique<Win32CodePages>());
    platform.set_shell(std::make_unique<Win32Shell>());
    platform.set_windows(std::make_unique<Win32Windows>());
    platform.set_http(std::make_unique<WinInetHttp>());
    platform.set_files(std::make_unique<Win32Files>());
    platform.set_skin_engine(std::make_unique<Win32SkinEngine>());
    platform.set_secrets(std::make_unique<Win32Secrets>());
}

}  // namespace runtime::win32
