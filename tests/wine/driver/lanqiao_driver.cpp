// Drives the running program from outside, as a user would, for the Wine tests:
//   lanqiao_driver dump          prints the main window's title, the list's column titles and
//                                every row, tab-separated, one a line
//   lanqiao_driver click N       clicks toolbar entry N (separators counted)
//   lanqiao_driver wait-online N waits (up to 20 s) until N rows show "在线": the statuses come
//                                after the rows
//   lanqiao_driver wait-rows N   waits until the list holds N rows, then prints how long the
//                                program had been running, in milliseconds
//   lanqiao_driver our-ids TEXT  opens "我们的旺旺", types TEXT (\n between IDs) and saves
//   lanqiao_driver add-customer ID NOTE
//                                opens "添加新客户", types the ID and the note, picks the first
//                                of our IDs, saves, and prints the message the program showed
//   lanqiao_driver deal Y M D    selects the first row, picks "登记交易" from the row menu of
//                                "更多选项" with the keyboard, sets the date and presses OK
//   lanqiao_driver contact       picks "联系客户" for the first row the same way, then waits
//                                until the hidden hand-off window has closed itself
//   lanqiao_driver chart         opens "查看图表" from the window's menu, pauses for a picture
//                                ("chart"), clicks "三维图", pauses again ("chart_3d"), closes
//   lanqiao_driver export PATH   clicks "导出文档", prints the offered file name, saves to
//                                PATH and prints the message the program showed
//   lanqiao_driver latency MS    for MS milliseconds from the window's first moment, asks the
//                                window every 10 ms to answer an empty message, then prints
//                                the longest wait after the first answer in milliseconds, how
//                                often it asked, when the longest ended (milliseconds from the
//                                start), and the wait for the first answer
//   lanqiao_driver memory        prints the program's peak working set and peak private
//                                memory, in KiB
//   lanqiao_driver scroll N      scrolls the list until row N is its top row, then prints the
//                                customer ID (column 3) of every row in view, one a line
//   lanqiao_driver sort-click N  clicks the header of column N with the mouse and prints the
//                                milliseconds until the list's top row shows another customer
//   lanqiao_driver close         closes the main window as its close box does and prints the
//                                milliseconds until the program's process had ended; exit
//                                code 1 when it had not ended after 30 s
// With a dialog filled in, the driver creates the file "<dialog>_ready" in the current folder
// and waits (up to 10 s) for "<dialog>_shot" to appear, so that a screenshot can be taken.
// It waits up to 60 seconds for the main window to appear (a machine busy with other tests
// can take that long to start a program under Wine); exit code 1 when it does not.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>
#include "runtime/win32/wide_text.h"

namespace {

using runtime::win32::from_wide;

const wchar_t* kTitle = L"岚桥管家 V2.0  未成交客户跟踪管理中心";

struct ClassSearch {
    const wchar_t* cls;
    HWND found;
};

// A named CALLBACK: a lambda cannot take the 32-bit build's stdcall convention.
BOOL CALLBACK match_class(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<ClassSearch*>(p);
    wchar_t name[64] = {};
    GetClassNameW(h, name, 63);
    if (std::wcscmp(name, s->cls) == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

HWND child_of_class(HWND parent, const wchar_t* cls) {
    ClassSearch search{cls, nullptr};
    EnumChildWindows(parent, match_class, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Memory in the program's own process, for the list view messages that carry pointers.
class RemoteBuffer {
  public:
    RemoteBuffer(HANDLE process, std::size_t size) : process_(process) {
        at_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    void* at() const { return at_; }
    bool write(const void* data, std::size_t size, std::size_t offset = 0) const {
        return WriteProcessMemory(process_, static_cast<char*>(at_) + offset, data, size, nullptr);
    }
    bool read(void* data, std::size_t size, std::size_t offset = 0) const {
        return ReadProcessMemory(process_, static_cast<char*>(at_) + offset, data, size, nullptr);
    }

  private:
    HANDLE process_;
    void* at_ = nullptr;
};

// The process that owns `list`, opened for reading and writing its memory.
HANDLE open_for_reading(HWND list) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    return OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
}

std::wstring remote_text(HWND list, HANDLE process, UINT message, WPARAM index, int sub_item,
                         bool column) {
    constexpr std::size_t kChars = 4096;
    RemoteBuffer buffer(process, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
    auto* text_at = static_cast<wchar_t*>(buffer.at()) + sizeof(LVITEMW) / sizeof(wchar_t) + 1;
    if (column) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = text_at;
        col.cchTextMax = kChars;
        buffer.write(&col, sizeof col);
    } else {
        LVITEMW item{};
        item.iSubItem = sub_item;
        item.pszText = text_at;
        item.cchTextMax = kChars;
        buffer.write(&item, sizeof item);
    }
    std::vector<wchar_t> text(kChars + 1, L'\0');
    if (!SendMessageW(list, message, index, reinterpret_cast<LPARAM>(buffer.at())) && column)
        return {};
    buffer.read(text.data(), kChars * sizeof(wchar_t),
                reinterpret_cast<char*>(text_at) - static_cast<char*>(buffer.at()));
    return text.data();
}

struct DialogSearch {
    HWND main;
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK match_dialog(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<DialogSearch*>(p);
    wchar_t name[64] = {};
    GetClassNameW(h, name, 63);
    if (h != s->main && IsWindowVisible(h) && std::wcscmp(name, s->cls) == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

// Another window of the program than `main`, once it shows.
HWND wait_for_dialog(HWND main, const wchar_t* cls = L"LanqiaoWindow") {
    for (int i = 0; i < 200; ++i) {
        DialogSearch s{main, cls, nullptr};
        EnumWindows(match_dialog, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        Sleep(100);
    }
    return nullptr;
}

BOOL CALLBACK collect_static_text(HWND h, LPARAM p) {
    wchar_t name[32] = {}, t[512] = {};
    GetClassNameW(h, name, 31);
    if (_wcsicmp(name, L"Static") == 0 && GetWindowTextW(h, t, 511) > 0)
        *reinterpret_cast<std::wstring*>(p) += t;
    return TRUE;
}

// Controls carry the number of their place in the window's definition.
HWND control(HWND dialog, int index) {
    return GetDlgItem(dialog, 1000 + index);
}

void pause_for_screenshot(const std::wstring& dialog) {
    std::wstring ready = dialog + L"_ready", shot = dialog + L"_shot";
    CloseHandle(CreateFileW(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (int i = 0; i < 100 && GetFileAttributesW(shot.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(100);
}

void type(HWND edit, const std::wstring& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void click(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

// Answers the message box the program shows next with its default button; returns its text.
std::string answer_message_box(HWND main) {
    HWND box = wait_for_dialog(main, L"#32770");
    if (!box) return "(no message)";
    std::wstring text;
    EnumChildWindows(box, collect_static_text, reinterpret_cast<LPARAM>(&text));
    wchar_t title[128] = {};
    GetWindowTextW(box, title, 127);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return from_wide(title) + " " + from_wide(text);
}

// Presses the keys one after another, as a user would.
void press(const std::vector<WORD>& keys) {
    for (WORD vk : keys) {
        INPUT k[2] = {};
        k[0].type = k[1].type = INPUT_KEYBOARD;
        k[0].ki.wVk = k[1].ki.wVk = vk;
        k[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, k, sizeof(INPUT));
        Sleep(60);
    }
}

// Picks the `index`-th choosable item (from 1) of the pop-up menu that shows next.
bool pick_menu_item(HWND main, int index) {
    if (!wait_for_dialog(main, L"#32768")) return false;
    // The menu shows a moment before its loop takes the keyboard; on a busy machine keys
    // pressed at once are lost.
    Sleep(300);
    std::vector<WORD> keys(static_cast<std::size_t>(index), VK_DOWN);
    keys.push_back(VK_RETURN);
    press(keys);
    return true;
}

struct OtherSearch {
    HWND main;
    HWND found;
};

BOOL CALLBACK match_other(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<OtherSearch*>(p);
    wchar_t name[64] = {};
    GetClassNameW(h, name, 63);
    DWORD ours = 0, theirs = 0;
    GetWindowThreadProcessId(s->main, &ours);
    GetWindowThreadProcessId(h, &theirs);
    if (h != s->main && ours == theirs && std::wcscmp(name, L"LanqiaoWindow") == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

// Another window of the program than `main`, shown or not.
HWND find_other(HWND main) {
    OtherSearch s{main, nullptr};
    EnumWindows(match_other, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

BOOL CALLBACK match_name_edit(HWND h, LPARAM p) {
    wchar_t name[32] = {};
    GetClassNameW(h, name, 31);
    // The file name box (cmb13) and the edit box inside it share its number.
    if (_wcsicmp(name, L"Edit") == 0 && GetDlgCtrlID(h) == 0x47c) {
        *reinterpret_cast<HWND*>(p) = h;
        return FALSE;
    }
    return TRUE;
}

// The save dialog's file name box.
HWND file_name_box(HWND dialog) {
    HWND found = nullptr;
    EnumChildWindows(dialog, match_name_edit, reinterpret_cast<LPARAM>(&found));
    return found ? found : GetDlgItem(dialog, 0x480);
}

// A control's text in another process: GetWindowText would give only its caption.
std::wstring text_of(HWND control) {
    wchar_t text[1024] = {};
    SendMessageW(control, WM_GETTEXT, 1023, reinterpret_cast<LPARAM>(text));
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: lanqiao_driver dump | click N\n");
        return 2;
    }
    HWND main = nullptr;
    for (int i = 0; i < 600 && !main; ++i) {
        main = FindWindowW(L"LanqiaoWindow", kTitle);
        if (!main) Sleep(100);
    }
    if (!main) {
        std::fprintf(stderr, "the main window did not appear\n");
        return 1;
    }
    if (std::wstring(argv[1]) == L"latency" && argc == 3) {
        // From the window's first moment: the longest the program took to answer a message.
        const DWORD span = static_cast<DWORD>(_wtoi(argv[2]));
        const DWORD start = GetTickCount();
        LARGE_INTEGER frequency{}, before{}, after{};
        QueryPerformanceFrequency(&frequency);
        long long longest = 0, first = -1;
        DWORD longest_at = 0;
        int asked = 0;
        while (GetTickCount() - start < span) {
            QueryPerformanceCounter(&before);
            if (!SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, nullptr)) break;
            QueryPerformanceCounter(&after);
            const long long took = (after.QuadPart - before.QuadPart) * 1000 / frequency.QuadPart;
            // The first answer waits for the start-up's own list load, which the time to the
            // first filled list measures; after it the window must never keep anyone waiting.
            if (first < 0) {
                first = took;
            } else if (took > longest) {
                longest = took;
                longest_at = GetTickCount() - start;
            }
            ++asked;
            Sleep(10);
        }
        std::printf("%lld %d %lu %lld\n", longest, asked, static_cast<unsigned long>(longest_at),
                    first);
        return 0;
    }
    // Start-up, with its first list load, is over once the program first waits for input.
    DWORD owner = 0;
    GetWindowThreadProcessId(main, &owner);
    if (HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, owner)) {
        WaitForInputIdle(p, 60000);
        CloseHandle(p);
    }
    SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, nullptr);
    std::wstring command = argv[1];
    if (command == L"click" && argc == 3) {
        int entry = _wtoi(argv[2]);
        // What the toolbar sends its window when an entry is clicked.
        // Sent, not posted: the call returns when the program has handled the click.
        SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(2000 + entry, BN_CLICKED),
                            reinterpret_cast<LPARAM>(child_of_class(main, TOOLBARCLASSNAMEW)),
                            SMTO_NORMAL, 60000, nullptr);
        return 0;
    }
    if (command == L"answer" && argc == 2) {
        // The message box showing (or the next one), answered with its default button.
        std::printf("%s\n", answer_message_box(main).c_str());
        return 0;
    }
    if (command == L"our-ids" && argc == 3) {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(2001, BN_CLICKED), 0);
        HWND manager = wait_for_dialog(main);
        if (!manager) return 1;
        std::wstring ids = argv[2];
        for (std::size_t at; (at = ids.find(L"\\n")) != std::wstring::npos;)
            ids.replace(at, 2, L"\r\n");
        type(control(manager, 2), ids);
        pause_for_screenshot(L"manager");
        click(control(manager, 0));
        for (int i = 0; i < 30 && IsWindow(manager); ++i)
            Sleep(100);
        if (IsWindow(manager)) PostMessageW(manager, WM_CLOSE, 0, 0);
        for (int i = 0; i < 30 && IsWindow(manager); ++i)
            Sleep(100);
        return IsWindow(manager) ? 1 : 0;
    }
    if (command == L"add-customer" && argc == 4) {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(2000, BN_CLICKED), 0);
        HWND editor = wait_for_dialog(main);
        if (!editor) return 1;
        HWND id_box = control(editor, 8);
        type(id_box, argv[2]);
        // Leaving the box cleans the ID up.
        SendMessageW(editor, WM_COMMAND, MAKEWPARAM(1008, EN_KILLFOCUS),
                     reinterpret_cast<LPARAM>(id_box));
        SendMessageW(control(editor, 7), CB_SETCURSEL, 0, 0);
        type(control(editor, 4), argv[3]);
        pause_for_screenshot(L"editor");
        click(control(editor, 3));
        std::printf("%s\n", answer_message_box(main).c_str());
        for (int i = 0; i < 50 && IsWindow(editor); ++i)
            Sleep(100);
        SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, nullptr);
        return IsWindow(editor) ? 1 : 0;
    }
    HWND list = child_of_class(main, WC_LISTVIEWW);
    if (!list) return 1;
    if (command == L"deal" && argc == 5) {
        // "更多选项" selects the first row itself when none is selected.
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(2008, BN_CLICKED), 0);
        // In open mode the fourth item that can be chosen is "登记交易".
        if (!pick_menu_item(main, 4)) return 1;
        HWND dialog = wait_for_dialog(main);
        if (!dialog) return 1;
        DWORD pid = 0;
        GetWindowThreadProcessId(dialog, &pid);
        HANDLE process =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (!process) return 1;
        SYSTEMTIME when{};
        when.wYear = static_cast<WORD>(_wtoi(argv[2]));
        when.wMonth = static_cast<WORD>(_wtoi(argv[3]));
        when.wDay = static_cast<WORD>(_wtoi(argv[4]));
        {
            RemoteBuffer at(process, sizeof when);
            at.write(&when, sizeof when);
            SendMessageW(control(dialog, 1), DTM_SETSYSTEMTIME, GDT_VALID,
                         reinterpret_cast<LPARAM>(at.at()));
        }
        CloseHandle(process);
        pause_for_screenshot(L"deal");
        click(control(dialog, 0));
        for (int i = 0; i < 50 && IsWindow(dialog); ++i)
            Sleep(100);
        SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, nullptr);
        return IsWindow(dialog) ? 1 : 0;
    }
    if (command == L"memory" && argc == 2) {
        DWORD pid = 0;
        GetWindowThreadProcessId(main, &pid);
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (!process || !GetProcessMemoryInfo(process, &counters, sizeof counters)) return 1;
        CloseHandle(process);
        std::printf("%llu %llu\n",
                    static_cast<unsigned long long>(counters.PeakWorkingSetSize / 1024),
                    static_cast<unsigned long long>(counters.PeakPagefileUsage / 1024));
        return 0;
    }
    if (command == L"contact" && argc == 2) {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(2008, BN_CLICKED), 0);
        if (!pick_menu_item(main, 2)) return 1;
        // The hand-off window never shows; it goes by itself after three seconds.
        HWND launcher = nullptr;
        for (int i = 0; i < 50 && !launcher; ++i) {
            launcher = find_other(main);
            if (!launcher) Sleep(100);
        }
        if (!launcher) return 1;
        for (int i = 0; i < 100 && IsWindow(launcher); ++i)
            Sleep(100);
        return IsWindow(launcher) ? 1 : 0;
    }
    if (command == L"chart" && argc == 2) {
        // A right click on the window itself, off every control, brings "更多功能".
        RECT area{};
        GetClientRect(main, &area);
        PostMessageW(main, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(area.right - 4, area.bottom - 4));
        if (!pick_menu_item(main, 1)) return 1;
        HWND chart = wait_for_dialog(main);
        if (!chart) return 1;
        Sleep(500);
        pause_for_screenshot(L"chart");
        SendMessageW(control(chart, 0), BM_CLICK, 0, 0);
        Sleep(500);
        pause_for_screenshot(L"chart_3d");
        PostMessageW(chart, WM_CLOSE, 0, 0);
        for (int i = 0; i < 50 && IsWindow(chart); ++i)
            Sleep(100);
        return IsWindow(chart) ? 1 : 0;
    }
    if (command == L"export" && argc == 3) {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(2007, BN_CLICKED), 0);
        HWND dialog = wait_for_dialog(main, L"#32770");
        if (!dialog) {
            std::fprintf(stderr, "no save dialog\n");
            return 1;
        }
        HWND name = nullptr;
        for (int i = 0; i < 50 && !(name = file_name_box(dialog)); ++i)
            Sleep(100);
        if (!name) {
            std::fprintf(stderr, "the save dialog has no file name box\n");
            return 1;
        }
        wchar_t title[128] = {};
        GetWindowTextW(dialog, title, 127);
        std::printf("%s %s\n", from_wide(title).c_str(), from_wide(text_of(name)).c_str());
        type(name, argv[2]);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 50 && IsWindow(dialog); ++i)
            Sleep(100);
        std::printf("%s\n", answer_message_box(main).c_str());
        SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, nullptr);
        return 0;
    }
    if (command == L"close" && argc == 2) {
        DWORD pid = 0;
        GetWindowThreadProcessId(main, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (!process) return 1;
        LARGE_INTEGER frequency{}, start{}, end{};
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        PostMessageW(main, WM_CLOSE, 0, 0);
        const DWORD waited = WaitForSingleObject(process, 30000);
        QueryPerformanceCounter(&end);
        CloseHandle(process);
        std::printf("%lld\n", (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
        return waited == WAIT_OBJECT_0 ? 0 : 1;
    }
    if (command == L"scroll" && argc == 3) {
        const int top = _wtoi(argv[2]);
        // Past the row wanted, then back up to it, as a user drags the scroll box.
        const int page = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
        SendMessageW(list, LVM_ENSUREVISIBLE, top + page - 1, FALSE);
        SendMessageW(list, LVM_ENSUREVISIBLE, top, FALSE);
        UpdateWindow(list);
        HANDLE process = open_for_reading(list);
        if (!process) return 1;
        const int first = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
        for (int r = first; r < first + page; ++r)
            std::printf(
                "%s\n",
                from_wide(remote_text(list, process, LVM_GETITEMTEXTW, r, 3, false)).c_str());
        CloseHandle(process);
        return 0;
    }
    if (command == L"sort-click" && argc == 3) {
        // The header of column N clicked with the mouse, as a user clicks it; then the time
        // until the list's top row shows another customer.
        const int column = _wtoi(argv[2]);
        HANDLE process = open_for_reading(list);
        if (!process) return 1;
        auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        RemoteBuffer rect_buffer(process, sizeof(RECT));
        RECT rect{};
        if (!SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column),
                          reinterpret_cast<LPARAM>(rect_buffer.at()))) {
            CloseHandle(process);
            return 1;
        }
        rect_buffer.read(&rect, sizeof rect, 0);
        POINT at{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(header, &at);
        const std::wstring top = remote_text(list, process, LVM_GETITEMTEXTW, 0, 0, false);
        SetForegroundWindow(main);
        SetCursorPos(at.x, at.y);
        INPUT clicks[2]{};
        clicks[0].type = clicks[1].type = INPUT_MOUSE;
        clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        LARGE_INTEGER frequency{}, start{}, now{};
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        SendInput(2, clicks, sizeof(INPUT));
        for (int i = 0; i < 30000; ++i) {
            if (remote_text(list, process, LVM_GETITEMTEXTW, 0, 0, false) != top) {
                QueryPerformanceCounter(&now);
                std::printf("%lld\n", (now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
                CloseHandle(process);
                return 0;
            }
            Sleep(1);
        }
        CloseHandle(process);
        return 1;
    }
    if (command == L"wait-online" && argc == 3) {
        const int want = _wtoi(argv[2]);
        HANDLE process = open_for_reading(list);
        if (!process) return 1;
        int online = 0;
        for (int i = 0; i < 200; ++i) {
            online = 0;
            const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
            for (int r = 0; r < rows; ++r)
                if (remote_text(list, process, LVM_GETITEMTEXTW, r, 2, false) == L"在线") ++online;
            if (online >= want) break;
            Sleep(100);
        }
        CloseHandle(process);
        return online >= want ? 0 : 1;
    }
    if (command == L"wait-rows" && argc == 3) {
        int want = _wtoi(argv[2]);
        for (int i = 0; i < 6000; ++i) {
            if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) >= want) {
                DWORD pid = 0;
                GetWindowThreadProcessId(main, &pid);
                HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
                FILETIME created{}, exited{}, kernel{}, user{}, now{};
                if (!process || !GetProcessTimes(process, &created, &exited, &kernel, &user))
                    return 1;
                CloseHandle(process);
                GetSystemTimeAsFileTime(&now);
                auto ticks = [](FILETIME t) {
                    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                           t.dwLowDateTime;
                };
                std::printf("%llu\n", (ticks(now) - ticks(created)) / 10000);
                return 0;
            }
            Sleep(10);
        }
        return 1;
    }
    HANDLE process = open_for_reading(list);
    if (!process) return 1;
    wchar_t title[256] = {};
    GetWindowTextW(main, title, 255);
    std::printf("title\t%s\n", from_wide(title).c_str());
    std::string header = "columns";
    HWND header_control = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    int columns = static_cast<int>(SendMessageW(header_control, HDM_GETITEMCOUNT, 0, 0));
    for (int c = 0; c < columns; ++c)
        header += "\t" + from_wide(remote_text(list, process, LVM_GETCOLUMNW, c, 0, true));
    std::printf("%s\n", header.c_str());
    int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) {
        std::string line = "row";
        for (int c = 0; c < columns; ++c)
            line += "\t" + from_wide(remote_text(list, process, LVM_GETITEMTEXTW, r, c, false));
        std::printf("%s\n", line.c_str());
    }
    CloseHandle(process);
    return 0;
}
