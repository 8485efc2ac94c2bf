#include "PreviewLayout.h"

#include <algorithm>
#include <cmath>

namespace {

qint32 roundEven(double v) { return static_cast<qint32>(std::nearbyint(v)); }

} // namespace

PreviewLayout PreviewLayout::compute(const Input &in)
{
    PreviewLayout out;
    // Centred below the panel, never above it.
    const qint32 top = std::max(
        roundEven((in.windowHeight - in.panelHeight - in.pictureHeight) / 2.0) + in.panelHeight,
        in.panelHeight);
    const qint32 left = roundEven((in.windowWidth - in.pictureWidth) / 2.0);
    out.pictureLeft = left;
    out.pictureTop = top;

    out.hScroll.shown = left < 0 || in.windowWidth - in.vScrollWidth < in.pictureWidth + left;
    out.vScroll.shown
        = top < in.panelHeight || in.windowHeight - in.hScrollHeight < in.pictureHeight + top;

    out.hScroll.length = in.windowWidth - in.vScrollWidth;
    if (out.hScroll.shown) {
        Bar &h = out.hScroll;
        h.minimum = Inset;
        h.maximum = -(in.pictureWidth - h.length + Inset);
        h.largeStep = h.length;
        h.smallStep = roundEven(h.largeStep / 10.0);
        out.pictureLeft = Inset;
        out.vScroll.length = in.windowHeight - in.panelHeight - in.hScrollHeight;
    } else {
        out.vScroll.length = in.windowHeight - in.panelHeight;
    }
    if (out.vScroll.shown) {
        Bar &v = out.vScroll;
        v.minimum = Inset;
        v.maximum = -(in.pictureHeight - v.length + Inset);
        v.largeStep = v.length;
        v.smallStep = roundEven(v.largeStep / 10.0);
        out.pictureTop = Inset + in.panelHeight;
        out.hScroll.length = in.windowWidth - in.vScrollWidth;
    } else {
        out.hScroll.length = in.windowWidth;
    }
    out.coverShown = out.hScroll.shown && out.vScroll.shown;
    return out;
}

qint32 PreviewLayout::stepped(const Bar &bar, qint32 value, qint32 delta)
{
    const qint32 low = std::min(bar.minimum, bar.maximum);
    const qint32 high = std::max(bar.minimum, bar.maximum);
    // Values fall as the view moves on: a step forward lowers the value.
    return std::clamp(value - delta, low, high);
}
