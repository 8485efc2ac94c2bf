#pragma once

#include <QtGlobal>

// Where the page picture and the scroll bars of the preview go, all in twips. The bars' values
// are the picture's left (or top below the panel): 250 shows the page's edge 250 twips inside
// the window, the far end shows its other edge 250 twips before the bar's end.
struct PreviewLayout
{
    static constexpr qint32 Inset = 250;

    struct Input
    {
        qint32 windowWidth = 0;
        qint32 windowHeight = 0;
        qint32 panelHeight = 0;
        qint32 pictureWidth = 0;
        qint32 pictureHeight = 0;
        qint32 vScrollWidth = 0; // thickness of the vertical bar
        qint32 hScrollHeight = 0; // thickness of the horizontal bar
    };

    struct Bar
    {
        bool shown = false;
        qint32 length = 0; // along the bar
        qint32 minimum = Inset; // the edge shown first
        qint32 maximum = Inset; // the other edge; below the minimum for a long page
        qint32 largeStep = 0;
        qint32 smallStep = 0;
    };

    qint32 pictureLeft = 0;
    qint32 pictureTop = 0;
    Bar hScroll;
    Bar vScroll;
    bool coverShown = false;

    static PreviewLayout compute(const Input &in);
    // A bar value moved by a step (negative towards the minimum), kept within the bar.
    static qint32 stepped(const Bar &bar, qint32 value, qint32 delta);
};
