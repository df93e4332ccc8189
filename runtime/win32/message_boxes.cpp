#include "runtime/win32/message_boxes.h"

#include <windows.h>

#include <string>

#include "runtime/win32/wide_text.h"

namespace runtime::win32 {

int Win32MessageBoxes::show(std::string_view text, std::string_view title, std::uint32_t style) {
    const std::wstring wide_text = to_wide(text);
    const std::wstring wide_title = to_wide(title);
    // Without an owner, task-modal keeps the program's other windows from
    // taking input while the box is open.
    return MessageBoxW(nullptr, wide_text.c_str(), wide_title.c_str(),
                       static_cast<UINT>(style) | MB_TASKMODAL);
}

}  // namespace runtime::win32
