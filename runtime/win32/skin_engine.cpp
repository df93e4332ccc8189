#include "runtime/win32/skin_engine.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/resource_ids.h"

namespace runtime::win32 {

namespace {

using AttachRes = int(WINAPI*)(const unsigned char*, int, const char*, int, int, int);

std::wstring engine_path() {
    std::wstring path(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + L"SkinH_EL.dll";
}

struct FileHandle {
    HANDLE h = INVALID_HANDLE_VALUE;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    explicit FileHandle(HANDLE handle) : h(handle) {}
    ~FileHandle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

bool holds_exactly(HANDLE file, std::span<const std::uint8_t> image) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart != static_cast<LONGLONG>(image.size()))
        return false;
    std::vector<std::uint8_t> bytes(image.size());
    DWORD got = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
        got != bytes.size())
        return false;
    return std::equal(bytes.begin(), bytes.end(), image.begin());
}

// Loads the library beside the program only when it is byte for byte the engine this program
// carries: a file of that name that anyone else put there never has its code run. From the
// comparison until the image is mapped the file is held open with writing and deleting
// denied, so what is loaded is what was compared. No error box for a file that is no DLL.
HMODULE load_verified(std::span<const std::uint8_t> image, bool& foreign) {
    foreign = false;
    if (image.empty()) return nullptr;
    const std::wstring path = engine_path();
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.h == INVALID_HANDLE_VALUE) return nullptr;
    if (!holds_exactly(file.h, image)) {
        foreign = true;
        return nullptr;
    }
    DWORD before = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &before);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    SetThreadErrorMode(before, nullptr);
    return module;
}

}  // namespace

struct Win32SkinEngine::Library {
    HMODULE module = nullptr;
    AttachRes attach = nullptr;
    Library() = default;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    // The engine pins itself once it has hooked windows, so this never pulls code from under
    // a window that still uses it.
    ~Library() {
        if (module) FreeLibrary(module);
    }
};

Win32SkinEngine::Win32SkinEngine() : library_(std::make_unique<Library>()) {}

Win32SkinEngine::~Win32SkinEngine() = default;

std::span<const std::uint8_t> Win32SkinEngine::engine_image() {
    HMODULE exe = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(exe, MAKEINTRESOURCEW(IDR_SKIN_ENGINE), RT_RCDATA);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(exe, found);
    DWORD size = SizeofResource(exe, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    // Resources live as long as the exe's image: the span never dangles.
    return {static_cast<const std::uint8_t*>(bytes), size};
}

SkinAttach Win32SkinEngine::attach(const std::uint8_t* data, std::int32_t length) {
    // Loaded on the first call; a load that failed is tried again on the next one, so a
    // library that turns up later (a folder made writable) still takes effect.
    bool foreign = false;
    if (!library_->module) library_->module = load_verified(engine_image(), foreign);
    if (foreign) return {SkinAttach::Outcome::not_ours, 0};
    if (!library_->module) return {SkinAttach::Outcome::library_missing, 0};
    if (!library_->attach)
        library_->attach = reinterpret_cast<AttachRes>(
            reinterpret_cast<void*>(GetProcAddress(library_->module, "SkinH_AttachRes")));
    if (!library_->attach) return {SkinAttach::Outcome::entry_missing, 0};
    return {SkinAttach::Outcome::attached, library_->attach(data, length, "", 0, 0, 0)};
}

}  // namespace runtime::win32
