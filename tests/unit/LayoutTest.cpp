// SPDX-License-Identifier: MIT
#include "Layout.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace quillet;

namespace {

// Controls that keep exactly what they are given, refusing negative sizes as real ones do.
struct ExactControl : TwipsControl {
    ExactControl(float l = 0, float t = 0, float w = 0, float h = 0) : l(l), t(t), w(w), h(h) {}
    float left() const override { return l; }
    float top() const override { return t; }
    float width() const override { return w; }
    float height() const override { return h; }
    void setLeft(float v) override { l = v; }
    void setTop(float v) override { t = v; }
    void setWidth(float v) override {
        if (v < 0)
            throw std::invalid_argument("negative");
        w = v;
    }
    void setHeight(float v) override {
        if (v < 0)
            throw std::invalid_argument("negative");
        h = v;
    }
    float l, t, w, h;
};

struct ExactLine : TwipsLine {
    void setX1(float v) override { x1 = v; }
    void setX2(float v) override { x2 = v; }
    float x1 = 0, x2 = 0;
};

struct DesignWindow {
    ExactControl address{840, 600, 3735, 315}, page{0, 960, 5400, 3735},
        list{5520, 960, 2055, 2895}, label1{120, 4680, 2535, 375}, label2{0, 0, 7575, 975},
        image2{4680, 600, 300, 300}, label4{5040, 670, 735, 255}, image3{5640, 600, 300, 300},
        label5{6000, 670, 1455, 255}, image4{7080, 630, 240, 240}, image5{7320, 630, 240, 240},
        frame1{5760, 6480, 3735, 255};
    ExactLine line1, line2, line4;
    int layout(float W, float H, double h, std::optional<float> decoration = std::nullopt) {
        LayoutControls c{address, page,   list,   label1, label2, image2, label4, image3,
                         label5,  image4, image5, frame1, line1,  line2,  line4};
        return layoutMainWindow(c, W, H, h, decoration);
    }
};

} // namespace

TEST(Layout, WorkedExampleAt8000By8000WithTwoSixths) {
    DesignWindow w;
    EXPECT_EQ(w.layout(8000, 8000, 2), 0);
    EXPECT_FLOAT_EQ(w.address.w, 3633.333f);
    EXPECT_FLOAT_EQ(w.page.w, 5333.333f);
    EXPECT_FLOAT_EQ(w.page.h, 6300);
    EXPECT_FLOAT_EQ(w.list.l, 5333.333f);
    EXPECT_FLOAT_EQ(w.list.w, 2566.667f);
    EXPECT_FLOAT_EQ(w.list.h, 6300);
    EXPECT_FLOAT_EQ(w.label1.t, 7280);
    EXPECT_FLOAT_EQ(w.label1.w, 7760);
    EXPECT_FLOAT_EQ(w.label2.w, 8000);
    EXPECT_FLOAT_EQ(w.line1.x2, 8000);
    EXPECT_FLOAT_EQ(w.line2.x2, 8000);
    EXPECT_FLOAT_EQ(w.image2.l, 4533.333f);
    EXPECT_FLOAT_EQ(w.label4.l, 4893.333f);
    EXPECT_FLOAT_EQ(w.line4.x1, 5313.333f);
    EXPECT_FLOAT_EQ(w.line4.x2, 5313.333f);
    EXPECT_FLOAT_EQ(w.image3.l, 5383.333f);
    EXPECT_FLOAT_EQ(w.label5.l, 5743.333f);
    EXPECT_FLOAT_EQ(w.image4.l, 7300);
    EXPECT_FLOAT_EQ(w.image5.l, 7600);
    EXPECT_FLOAT_EQ(w.frame1.t, 7280);
    EXPECT_FLOAT_EQ(w.frame1.l, 4300);
}

TEST(Layout, ANarrowWindowKeepsTheAddressBoxWidthAndWhatFollowsIt) {
    DesignWindow w;
    w.layout(8000, 8000, 2);
    EXPECT_EQ(w.layout(2400, 8000, 2), 1); // 2400 < 2550: only the address box refuses
    EXPECT_FLOAT_EQ(w.address.w, 3633.333f);
    EXPECT_FLOAT_EQ(w.image2.l, 4533.333f);
    EXPECT_FLOAT_EQ(w.page.w, 1600);
    EXPECT_FLOAT_EQ(w.list.w, 700);
    EXPECT_FLOAT_EQ(w.image5.l, 2000);
}

TEST(Layout, UnusualPaneWidths) {
    DesignWindow w;
    w.layout(8000, 8000, 2);
    // h = 0: the page view takes the full width; the pane's -100 is refused and it keeps its
    // width, standing at the page view's right edge.
    EXPECT_EQ(w.layout(8000, 8000, 0), 1);
    EXPECT_FLOAT_EQ(w.page.w, 8000);
    EXPECT_FLOAT_EQ(w.list.l, 8000);
    EXPECT_FLOAT_EQ(w.list.w, 2566.667f);
    // h = 6: the address box is refused, the page view gets 0 and the pane W - 100.
    EXPECT_EQ(w.layout(8000, 8000, 6), 1);
    EXPECT_FLOAT_EQ(w.page.w, 0);
    EXPECT_FLOAT_EQ(w.list.w, 7900);
    // h = 7: the address box and the page view are refused; the pane is wider than the window.
    EXPECT_EQ(w.layout(8000, 8000, 7), 2);
    EXPECT_FLOAT_EQ(w.page.w, 0);
    EXPECT_FLOAT_EQ(w.list.w, 8000.0f * 7 / 6 - 100);
}

TEST(Layout, SmallSizesRefuseOnlyTheNegativeSizes) {
    DesignWindow w;
    w.layout(8000, 8000, 2);
    // H < 1700 refuses both heights; W = 200 refuses the address box, the pane and the
    // status line widths, while the page view's width and every position still follow.
    EXPECT_EQ(w.layout(200, 1000, 2), 5);
    EXPECT_FLOAT_EQ(w.page.w, 133.33333f);
    EXPECT_FLOAT_EQ(w.page.h, 6300);
    EXPECT_FLOAT_EQ(w.list.h, 6300);
    EXPECT_FLOAT_EQ(w.label1.w, 7760);
    EXPECT_FLOAT_EQ(w.label1.t, 7280); // the page view's kept height
    EXPECT_FLOAT_EQ(w.image4.l, -500);
    EXPECT_FLOAT_EQ(w.frame1.l, -3500);
    EXPECT_FLOAT_EQ(w.label2.w, 200);
}

TEST(Layout, ArithmeticThatOverflowsIsSkipped) {
    DesignWindow w;
    w.layout(8000, 8000, 2);
    EXPECT_EQ(w.layout(8000, 8000, 1e300), 3); // steps 1, 2 and 5 overflow single precision
    EXPECT_FLOAT_EQ(w.page.w, 5333.333f);
    EXPECT_FLOAT_EQ(w.label2.w, 8000);
}

// Where the real title bar and frame are known, the status row's foot meets the client area's
// whatever their height; unknown, they are taken to be 345 twips as the worked example has it.
TEST(Layout, AKnownDecorationHeightTakesTheAllowancesPlace) {
    for (const float decoration : {0.0f, 345.0f, 555.0f}) {
        DesignWindow w;
        EXPECT_EQ(w.layout(8000, 8000, 2), 0);
        const float unknownHeight = w.page.h;
        EXPECT_EQ(w.layout(8000, 8000, 2, decoration), 0);
        EXPECT_FLOAT_EQ(w.label1.t + w.label1.h, 8000 - decoration) << decoration;
        EXPECT_FLOAT_EQ(w.list.h, w.page.h);
        EXPECT_FLOAT_EQ(w.frame1.t, w.label1.t);
        EXPECT_FLOAT_EQ(w.page.h - unknownHeight, 345 - decoration);
    }
}
