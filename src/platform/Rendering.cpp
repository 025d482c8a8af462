#include "Rendering.h"

#include <cstdlib>
#include <filesystem>
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

bool softwareRenderingOnly() {
    const char* dmabuf = std::getenv("WEBKIT_DISABLE_DMABUF_RENDERER");
    return dmabuf && *dmabuf && *dmabuf != '0';
}

} // namespace quillet
