#pragma once

#include "runtime/headless/files.h"
#include "runtime/headless/iconv_code_pages.h"
#include "runtime/headless/message_boxes.h"
#include "runtime/headless/secrets.h"
#include "runtime/headless/shell.h"
#include "runtime/headless/skin_engine.h"
#include "runtime/headless/socket_http.h"
#include "runtime/headless/windows.h"
#include "runtime/platform.h"

namespace runtime::headless {

// The in-memory backend, current for the lifetime of the object. Tests
// create one and reach the concrete adapters to script and inspect them.
class Backend {
  public:
    Backend();
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

    HeadlessMessageBoxes& message_boxes() { return *message_boxes_; }
    IconvCodePages& code_pages() { return *code_pages_; }
    HeadlessShell& shell() { return *shell_; }
    HeadlessWindows& windows() { return *windows_; }
    // Real requests over sockets: tests point them at servers of their own on 127.0.0.1.
    SocketHttp& http() { return *http_; }
    HeadlessFiles& files() { return *files_; }
    HeadlessSkinEngine& skin_engine() { return *skin_engine_; }
    HeadlessSecrets& secrets() { return *secrets_; }
    Platform& platform() { return platform_; }

  private:
    Platform platform_;
    // Owned by platform_; kept here with their concrete types.
    HeadlessMessageBoxes* message_boxes_;
    IconvCodePages* code_pages_;
    HeadlessShell* shell_;
    HeadlessWindows* windows_;
    SocketHttp* http_;
    HeadlessFiles* files_;
    HeadlessSkinEngine* skin_engine_;
    HeadlessSecrets* secrets_;
    PlatformInstall install_;
};

}  // namespace runtime::headless
