#pragma once
// How the page view draws: with a GPU, as WebKit likes best; without one (a virtual display,
// a server, a machine without drivers) the leanest software path, which saves a GL context
// per process and the DMA-BUF buffer copies that only a GPU makes worthwhile.

namespace quillet {

// True when the machine has a GPU render node (/dev/dri/renderD*) this user may open.
bool hasGpuRenderNode();

// Call once at start, before any WebKit object exists.
void chooseWebRendering();

// Whether page views should composite in software only (decided by chooseWebRendering).
bool softwareRenderingOnly();

} // namespace quillet
