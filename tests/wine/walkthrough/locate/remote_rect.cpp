#include "remote_rect.h"

// clang-format off
#include <commctrl.h>
// clang-format on

namespace locate {

namespace {

// One RECT in the control's own process, freed with the object.
class RemoteRect {
  public:
    explicit RemoteRect(HWND control) {
        DWORD pid = 0;
        GetWindowThreadProcessId(control, &pid);
        process_ =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_)
            at_ = VirtualAllocEx(process_, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteRect() {
        if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteRect(const RemoteRect&) = delete;
    RemoteRect& operator=(const RemoteRect&) = delete;

    LPARAM address() const { return reinterpret_cast<LPARAM>(at_); }
    bool ready() const { return at_ != nullptr; }
    bool write(const RECT& r) const {
        return WriteProcessMemory(process_, at_, &r, sizeof r, nullptr) != FALSE;
    }
    std::optional<RECT> read() const {
        RECT r{};
        if (!ReadProcessMemory(process_, at_, &r, sizeof r, nullptr)) return std::nullopt;
        return r;
    }

  private:
    HANDLE process_ = nullptr;
    void* at_ = nullptr;
};

std::optional<RECT> to_screen(HWND control, std::optional<RECT> r) {
    if (!r) return r;
    MapWindowPoints(control, HWND_DESKTOP, reinterpret_cast<POINT*>(&*r), 2);
    return r;
}

std::optional<RECT> ask(HWND control, UINT message, WPARAM wparam, const RECT& in) {
    RemoteRect at(control);
    if (!at.ready() || !at.write(in)) return std::nullopt;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(control, message, wparam, at.address(), SMTO_ABORTIFHUNG, 5000,
                             &answer) ||
        !answer)
        return std::nullopt;
    return to_screen(control, at.read());
}

}  // namespace

std::optional<RECT> toolbar_entry(HWND toolbar, int index) {
    return ask(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), RECT{});
}

std::optional<RECT> list_row(HWND list, int row) {
    RECT in{};
    in.left = LVIR_BOUNDS;
    return ask(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), in);
}

std::optional<RECT> header_item(HWND header, int index) {
    return ask(header, HDM_GETITEMRECT, static_cast<WPARAM>(index), RECT{});
}

int list_rows(HWND list) {
    DWORD_PTR rows = 0;
    if (!SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &rows))
        return -1;
    return static_cast<int>(rows);
}

}  // namespace locate
