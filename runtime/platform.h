#pragma once

#include <memory>

#include "runtime/code_pages.h"
#include "runtime/files.h"
#include "runtime/http.h"
#include "runtime/message_box.h"
#include "runtime/secrets.h"
#include "runtime/shell.h"
#include "runtime/skin_engine.h"
#include "runtime/window.h"

namespace runtime {

// The adapters of one backend (Win32 or headless). A backend fills a
// Platform and makes it current with PlatformInstall; the program reaches
// it through platform(). The Platform owns its adapters.
class Platform {
  public:
    Platform();
    ~Platform();
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
    // Not movable either: PlatformInstall keeps its address.
    Platform(Platform&&) = delete;
    Platform& operator=(Platform&&) = delete;

    void set_message_boxes(std::unique_ptr<MessageBoxAdapter> adapter);
    void set_code_pages(std::unique_ptr<CodePageAdapter> adapter);
    void set_http(std::unique_ptr<HttpAdapter> adapter);
    void set_shell(std::unique_ptr<ShellAdapter> adapter);
    void set_windows(std::unique_ptr<WindowSystem> system);
    void set_files(std::unique_ptr<FilesAdapter> adapter);
    void set_skin_engine(std::unique_ptr<SkinEngineAdapter> adapter);
    void set_secrets(std::unique_ptr<SecretsAdapter> adapter);

    // Each accessor throws std::logic_error when the backend supplied no
    // such adapter: a wiring fault, not a run-time condition.
    MessageBoxAdapter& message_boxes() const;
    CodePageAdapter& code_pages() const;
    HttpAdapter& http() const;
    ShellAdapter& shell() const;
    WindowSystem& windows() const;
    FilesAdapter& files() const;
    SkinEngineAdapter& skin_engine() const;
    SecretsAdapter& secrets() const;

  private:
    std::unique_ptr<MessageBoxAdapter> message_boxes_;
    std::unique_ptr<CodePageAdapter> code_pages_;
    std::unique_ptr<HttpAdapter> http_;
    std::unique_ptr<ShellAdapter> shell_;
    std::unique_ptr<WindowSystem> windows_;
    std::unique_ptr<FilesAdapter> files_;
    std::unique_ptr<SkinEngineAdapter> skin_engine_;
    std::unique_ptr<SecretsAdapter> secrets_;
};

// The current platform. Throws std::logic_error when none is installed.
Platform& platform();

// True while some platform is installed.
bool has_platform();

// Makes a platform current for its own lifetime and puts back the one that
// was current before, so installs nest (a test inside a running program).
// The platform must outlive the install.
class PlatformInstall {
  public:
    explicit PlatformInstall(Platform& installed);
    ~PlatformInstall();
    PlatformInstall(const PlatformInstall&) = delete;
    PlatformInstall& operator=(const PlatformInstall&) = delete;
    PlatformInstall(PlatformInstall&&) = delete;
    PlatformInstall& operator=(PlatformInstall&&) = delete;

  private:
    Platform* previous_;
};

}  // namespace runtime
