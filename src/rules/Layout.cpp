// SPDX-License-Identifier: MIT
#include "Layout.h"

#include "ErrorStyles.h"
#include "NumberText.h"

namespace quillet {

int layoutMainWindow(LayoutControls& c, float W, float H, double historyWidth,
                     std::optional<float> decorationHeight) {
    const double h = historyWidth;
    // What the panes leave below them: the status row and, with the outer height, the title
    // bar and frame. 740 twips allow 345 for these; the real ones, where known, replace that.
    const float belowPanes =
        740.0f - kAssumedDecorationHeight + decorationHeight.value_or(kAssumedDecorationHeight);
    // The page view's share of the width, in the order the arithmetic is defined: h / 6
    // first, then 1 minus that, then W times that.
    const auto pageShare = [&] { return static_cast<double>(W) * (1 - h / 6); };
    const auto statusRowTop = [&] {
        return c.brwWebBrowser.height() + c.brwWebBrowser.top() + 20.0f;
    };
    const auto afterAddress = [&](float offset) { return c.cboAddress.width() + offset; };

    return continueOnError({
        [&] { c.cboAddress.setWidth(toSingle(pageShare() - 1700)); },
        [&] { c.brwWebBrowser.setWidth(toSingle(pageShare())); },
        [&] { c.brwWebBrowser.setHeight(H - c.brwWebBrowser.top() - belowPanes); },
        [&] { c.ListView1.setLeft(c.brwWebBrowser.width() + c.brwWebBrowser.left()); },
        [&] { c.ListView1.setWidth(toSingle(static_cast<double>(W) * h / 6 - 100)); },
        [&] { c.ListView1.setHeight(H - c.ListView1.top() - belowPanes); },
        [&] { c.Label1.setTop(statusRowTop()); },
        [&] { c.Label1.setWidth(W - 240.0f); },
        [&] { c.Label2.setWidth(W); },
        [&] { c.Line1.setX2(W); },
        [&] { c.Line2.setX2(W); },
        [&] { c.Image2.setLeft(afterAddress(900.0f)); },
        [&] { c.Label4.setLeft(afterAddress(1260.0f)); },
        [&] { c.Line4.setX1(afterAddress(1680.0f)); },
        [&] { c.Line4.setX2(afterAddress(1680.0f)); },
        [&] { c.Image3.setLeft(afterAddress(1750.0f)); },
        [&] { c.Label5.setLeft(afterAddress(2110.0f)); },
        [&] { c.Image4.setLeft(W - 700.0f); },
        [&] { c.Image5.setLeft(W - 400.0f); },
        [&] { c.Frame1.setTop(statusRowTop()); },
        [&] { c.Frame1.setLeft(W - 3700.0f); },
    });
}

} // namespace quillet
