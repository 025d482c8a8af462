// SPDX-License-Identifier: MIT
#pragma once
// How the page view runs. How it draws: with a GPU, as WebKit likes best; without one (a virtual
// display, a server, a machine without drivers) the leanest software path, which saves a GL context
// per process and the DMA-BUF buffer copies that only a GPU makes worthwhile.

namespace quillet {

// True when the machine has a GPU render node (/dev/dri/renderD*) this user may open.
bool hasGpuRenderNode();

// Call once at start, before any WebKit object exists.
void chooseWebRendering();

// Whether page views should composite in software only (decided by chooseWebRendering).
bool softwareRenderingOnly();

// Whether WebKit's web-process sandbox can run here: bubblewrap and xdg-dbus-proxy are
// installed and bubblewrap can make its namespaces (containers often forbid them).
bool webSandboxUsable();

} // namespace quillet
