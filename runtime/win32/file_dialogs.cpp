// The common dialogs that ask where to save a file and which file to open.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include <algorithm>
#include <vector>

#include "runtime/win32/wide_text.h"
#include "runtime/win32/window.h"

namespace runtime::win32 {

std::optional<SaveChoice> Win32Window::file_dialog(std::string_view dialog, std::string_view folder,
                                                   std::string_view file_name, bool save) {
    const Control& c = *child(dialog).def;
    // "name|pattern|..." becomes the dialog's pairs of NUL-ended texts.
    std::wstring filter = to_wide(c.filter);
    for (auto& ch : filter)
        if (ch == L'|') ch = L'\0';
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    std::wstring extension = to_wide(c.default_extension);
    if (extension.rfind(L"*.", 0) == 0) extension.erase(0, 2);
    std::wstring title = to_wide(c.text);
    std::vector<wchar_t> path(32768, L'\0');
    std::wstring offered = to_wide(file_name);
    std::copy(
        offered.begin(),
        offered.begin() + static_cast<std::ptrdiff_t>(std::min(offered.size(), path.size() - 1)),
        path.begin());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    std::wstring start = to_wide(folder);
    ofn.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
    ofn.lpstrFile = path.data();
    ofn.nMaxFile = static_cast<DWORD>(path.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    if (save) {
        ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        if (!GetSaveFileNameW(&ofn)) return std::nullopt;
    } else {
        ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    }
    return SaveChoice{from_wide(path.data()), static_cast<int>(ofn.nFilterIndex) - 1};
}

std::optional<std::string> Win32Window::ask_save_path(std::string_view dialog,
                                                      std::string_view folder,
                                                      std::string_view file_name) {
    auto choice = file_dialog(dialog, folder, file_name, true);
    if (!choice) return std::nullopt;
    return choice->path;
}

std::optional<SaveChoice> Win32Window::ask_save_choice(std::string_view dialog,
                                                       std::string_view folder,
                                                       std::string_view file_name) {
    return file_dialog(dialog, folder, file_name, true);
}

std::optional<std::string> Win32Window::ask_open_path(std::string_view dialog,
                                                      std::string_view folder) {
    auto choice = file_dialog(dialog, folder, {}, false);
    if (!choice) return std::nullopt;
    return choice->path;
}

}  // namespace runtime::win32
