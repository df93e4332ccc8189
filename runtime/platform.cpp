#include "runtime/platform.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace runtime {

namespace {

// Not owning: the installer owns the platform and PlatformInstall clears this.
Platform* current_platform = nullptr;

template <typename Adapter>
Adapter& require(const std::unique_ptr<Adapter>& adapter, const char* what) {
    if (!adapter) throw std::logic_error(std::string("platform has no ") + what + " adapter");
    return *adapter;
}

}  // namespace

Platform::Platform() = default;
Platform::~Platform() = default;

void Platform::set_message_boxes(std::unique_ptr<MessageBoxAdapter> adapter) {
    message_boxes_ = std::move(adapter);
}

void Platform::set_code_pages(std::unique_ptr<CodePageAdapter> adapter) {
    code_pages_ = std::move(adapter);
}

void Platform::set_http(std::unique_ptr<HttpAdapter> adapter) {
    http_ = std::move(adapter);
}

void Platform::set_shell(std::unique_ptr<ShellAdapter> adapter) {
    shell_ = std::move(adapter);
}

void Platform::set_windows(std::unique_ptr<WindowSystem> system) {
    windows_ = std::move(system);
}

void Platform::set_files(std::unique_ptr<FilesAdapter> adapter) {
    files_ = std::move(adapter);
}

void Platform::set_skin_engine(std::unique_ptr<SkinEngineAdapter> adapter) {
    skin_engine_ = std::move(adapter);
}

void Platform::set_secrets(std::unique_ptr<SecretsAdapter> adapter) {
    secrets_ = std::move(adapter);
}

SecretsAdapter& Platform::secrets() const {
    return require(secrets_, "secrets");
}

SkinEngineAdapter& Platform::skin_engine() const {
    return require(skin_engine_, "skin engine");
}

FilesAdapter& Platform::files() const {
    return require(files_, "files");
}

WindowSystem& Platform::windows() const {
    return require(windows_, "window");
}

HttpAdapter& Platform::http() const {
    return require(http_, "HTTP");
}

ShellAdapter& Platform::shell() const {
    return require(shell_, "shell");
}

MessageBoxAdapter& Platform::message_boxes() const {
    return require(message_boxes_, "message box");
}

CodePageAdapter& Platform::code_pages() const {
    return require(code_pages_, "code page");
}

Platform& platform() {
    if (current_platform == nullptr) throw std::logic_error("no platform installed");
    return *current_platform;
}

bool has_platform() {
    return current_platform != nullptr;
}

PlatformInstall::PlatformInstall(Platform& installed) : previous_(current_platform) {
    current_platform = &installed;
}

PlatformInstall::~PlatformInstall() {
    // Installs end in reverse order; restoring unconditionally keeps the
    // pointer from dangling even if that order were broken.
    current_platform = previous_;
}

}  // namespace runtime
