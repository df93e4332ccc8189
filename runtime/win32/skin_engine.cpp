#include "runtime/win32/skin_engine.h"

#include <windows.h>

#include "resources/resource_ids.h"

namespace runtime::win32 {

namespace {

using AttachRes = int(WINAPI*)(const unsigned char*, int, const char*, int, int, int);

// No error box for a file that is not a DLL (a stranger's "SkinH_EL.dll"): the call just fails.
HMODULE load_quietly(const wchar_t* name) {
    DWORD before = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &before);
    HMODULE module = LoadLibraryW(name);
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
    if (!library_->module) library_->module = load_quietly(L"SkinH_EL.dll");
    if (!library_->module) return {SkinAttach::Outcome::library_missing, 0};
    if (!library_->attach)
        library_->attach = reinterpret_cast<AttachRes>(
            reinterpret_cast<void*>(GetProcAddress(library_->module, "SkinH_AttachRes")));
    if (!library_->attach) return {SkinAttach::Outcome::entry_missing, 0};
    return {SkinAttach::Outcome::attached, library_->attach(data, length, "", 0, 0, 0)};
}

}  // namespace runtime::win32
