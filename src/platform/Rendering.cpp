// SPDX-License-Identifier: MIT
#include "Rendering.h"

#include <cstdlib>
#include <filesystem>
#include <glib.h>
#include <unistd.h>

namespace quillet {

bool hasGpuRenderNode() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error))
        if (entry.path().filename().string().starts_with("renderD") &&
            ::access(entry.path().c_str(), R_OK | W_OK) == 0)
            return true;
    return false;
}

void chooseWebRendering() {
    if (hasGpuRenderNode())
        return;
    // Values the user set stay. Without a GPU, GL would run on the CPU through Mesa's
    // llvmpipe, which costs a compiler's worth of memory in every process and start-up time.
    setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", 0);
    setenv("GDK_GL", "disable", 0);
}

bool webSandboxUsable() {
    if (::access("/usr/bin/bwrap", X_OK) != 0 || ::access("/usr/bin/xdg-dbus-proxy", X_OK) != 0)
        return false;
    // The cheapest real try: a throw-away namespace running `true`.
    const char* argv[] = {"/usr/bin/bwrap", "--ro-bind", "/",    "/",
                          "--unshare-all",  "/bin/true", nullptr};
    int status = -1;
    const bool ran = g_spawn_sync(
        nullptr, const_cast<char**>(argv), nullptr,
        static_cast<GSpawnFlags>(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
        nullptr, nullptr, nullptr, &status, nullptr);
    return ran && g_spawn_check_wait_status(status, nullptr);
}

bool softwareRenderingOnly() {
    const char* dmabuf = std::getenv("WEBKIT_DISABLE_DMABUF_RENDERER");
    return dmabuf && *dmabuf && *dmabuf != '0';
}

} // namespace quillet
