// SPDX-License-Identifier: MIT
#pragma once
// A placed control as the window's logic sees it: position and size in twips, reported as
// the control really has them. A control refuses a negative width or height by throwing
// std::invalid_argument and keeps its previous value.

namespace quillet {

class TwipsControl {
  public:
    virtual ~TwipsControl() = default;
    virtual float left() const = 0;
    virtual float top() const = 0;
    virtual float width() const = 0;
    virtual float height() const = 0;
    virtual void setLeft(float twips) = 0;
    virtual void setTop(float twips) = 0;
    virtual void setWidth(float twips) = 0;
    virtual void setHeight(float twips) = 0;
};

// A straight line from (X1, Y1) to (X2, Y2), in twips.
class TwipsLine {
  public:
    virtual ~TwipsLine() = default;
    virtual void setX1(float twips) = 0;
    virtual void setX2(float twips) = 0;
};

} // namespace quillet
