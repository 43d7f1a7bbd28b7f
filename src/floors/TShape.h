#pragma once

#include <cstdint>

#include <QWidget>

#include "link/IndicatorLookup.h"
#include "link/RelayColors.h"

// The fill of a shape; Color is 0x00BBGGRR.
struct TBrush
{
    std::uint32_t Color;
};

// An indicator: a filled rectangle with a one-pixel black outline, coloured by the reply
// dispatch. Lime until the first status reply.
class TShape : public QWidget, public IndicatorShape
{
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
    explicit TShape(QWidget* parent = nullptr);

    const TBrush& Brush() const { return brush_; }
    // Repaints, and tells assistive technology, only when the colour changes: every reply
    // recolours all shapes of a board.
    void SetBrushColor(std::uint32_t color) override;

    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TBrush brush_{RelayOffColor};
    int tag_ = 0;
};
