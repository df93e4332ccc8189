// skin_check engine     attaches skins to a window of its own through SkinH_EL.dll (from
//                       its own folder) and checks the colours, the refusals and the GDI count
// skin_check selector   prints the screen centre of the running program's skin selector
// Exit code 0 when every check held.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int run_engine_check();
int print_selector_position();

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wcscmp(argv[1], L"engine") == 0) return run_engine_check();
    if (argc == 2 && std::wcscmp(argv[1], L"selector") == 0) return print_selector_position();
    std::fprintf(stderr, "usage: skin_check engine | selector\n");
    return 2;
}
