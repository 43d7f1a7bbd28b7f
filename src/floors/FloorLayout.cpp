#include "floors/FloorLayout.h"

#include <algorithm>
#include <optional>
#include <span>

namespace {
using P = PanelPosition;

constexpr std::array<PanelPosition, PanelsPerFloor> UsualFocus{P::TopLeft, P::TopRight,
                                                               P::BottomLeft, P::BottomRight};

constexpr QSize Panel{386, 182};

constexpr std::array<FloorGeometry, FloorCount> Floors{{
    {{166, 115},
     {812, 584},
     {271, 2},
     {0, 161, 803, 395},
     {{{{9, 170}, Panel},
       {{408, 170}, QSize(386, 183)},
       {{9, 365}, Panel},
       {{408, 365}, QSize(386, 181)}}},
     155,
     UsualFocus},
    {{156, 129},
     {812, 584},
     {318, 1},
     {0, 161, 803, 395},
     {{{{9, 170}, Panel}, {{408, 170}, Panel}, {{9, 370}, Panel}, {{408, 370}, Panel}}},
     156,
     UsualFocus},
    {{120, 108},
     {812, 587},
     {315, 3},
     {0, 161, 803, 396},
     {{{{9, 170}, Panel}, {{408, 170}, Panel}, {{9, 370}, Panel}, {{408, 370}, Panel}}},
     156,
     UsualFocus},
    {{108, 118},
     {812, 587},
     {320, -1},
     {1, 161, 801, 396},
     {{{{10, 168}, Panel}, {{411, 168}, Panel}, {{10, 366}, Panel}, {{412, 366}, Panel}}},
     155,
     UsualFocus},
    {{160, 125},
     {812, 587},
     {316, 3},
     {1, 162, 801, 396},
     {{{{10, 169}, Panel}, {{411, 169}, Panel}, {{10, 367}, Panel}, {{412, 367}, Panel}}},
     155,
     {P::TopLeft, P::TopRight, P::BottomRight, P::BottomLeft}},
}};

struct ColumnSet
{
    std::array<int, MaxRelaysPerPanel> switches;
    std::array<int, MaxRelaysPerPanel> indicators;
    std::array<int, MaxRelaysPerPanel> narrowLabels; // RY1 to RY9
    std::array<int, MaxRelaysPerPanel> wideLabels;   // RY10 and above
};

constexpr ColumnSet EightRelayColumns{{5, 53, 101, 149, 198, 246, 294, 342},
                                      {12, 60, 108, 156, 204, 252, 300, 348},
                                      {14, 62, 110, 158, 206, 254, 302, 350},
                                      {11, 59, 107, 155, 202, 250, 298, 346}};
// Seven-relay panels hold RY25 to RY31 only, so one label row serves; no eighth column.
constexpr ColumnSet SevenRelayColumns{{12, 66, 120, 174, 228, 282, 336, 0},
                                      {19, 73, 127, 181, 234, 288, 342, 0},
                                      {18, 72, 126, 180, 233, 287, 341, 0},
                                      {18, 72, 126, 180, 233, 287, 341, 0}};

constexpr int LabelTop = 6;
constexpr int LabelHeight = 16;
constexpr int NarrowLabelWidth = 24;
constexpr int WideLabelWidth = 30;
constexpr int FirstWideRelay = 10;
constexpr int IndicatorTop = 29;
constexpr QSize IndicatorSize{25, 21};
constexpr int SwitchTop = 60;
constexpr QSize SwitchSize{38, 89};

constexpr int CaptionHeight = 19;
constexpr int CaptionCharWidth = 20;
constexpr int ShortCaptionWidth = 100;
constexpr int ShortCaptionLeft = 143;
constexpr int LongCaptionLeft = 133;

// Panels whose designer layout differs from the columns above.
struct PanelDeviation
{
    int floor;
    PanelPosition position;
    std::optional<int> indicatorTop;
    std::optional<QSize> indicatorSize;
    bool onEightRelayColumns; // a seven-relay board on the eight-relay positions
    std::span<const int> labelLefts;
};

constexpr std::array Floor3BottomLeftLabels{11, 65, 120, 174, 229, 283, 338, 347};
constexpr std::array Floor3BottomRightLabels{18, 79, 140, 202, 263, 324, 335};

constexpr std::array<PanelDeviation, 5> Deviations{{
    {2, P::TopLeft, 30, std::nullopt, false, {}},
    {1, P::BottomLeft, std::nullopt, QSize(26, 21), false, {}},
    {1, P::BottomRight, std::nullopt, QSize(26, 21), true, {}},
    {3, P::BottomLeft, std::nullopt, std::nullopt, false, Floor3BottomLeftLabels},
    {3, P::BottomRight, std::nullopt, std::nullopt, false, Floor3BottomRightLabels},
}};

const PanelDeviation* deviationOf(int floor, PanelPosition position)
{
    const auto* found = std::find_if(Deviations.begin(), Deviations.end(), [&](const auto& d) {
        return d.floor == floor && d.position == position;
    });
    return found == Deviations.end() ? nullptr : found;
}
} // namespace

const FloorGeometry& FloorGeometryOf(int floor)
{
    RequireFloor(floor);
    return Floors[std::size_t(floor - 1)];
}

std::vector<ColumnGeometry> PanelColumns(int floor, PanelPosition position)
{
    const int relays = ControllerOf(floor, position).relays;
    const PanelDeviation* deviation = deviationOf(floor, position);
    const bool eightRelayColumns =
        relays == MaxRelaysPerPanel || (deviation && deviation->onEightRelayColumns);
    const ColumnSet& columns = eightRelayColumns ? EightRelayColumns : SevenRelayColumns;
    const int indicatorTop =
        deviation && deviation->indicatorTop ? *deviation->indicatorTop : IndicatorTop;
    const QSize indicatorSize =
        deviation && deviation->indicatorSize ? *deviation->indicatorSize : IndicatorSize;
    const int firstRelay = PanelRowOf(position).firstRelayNumber;

    std::vector<ColumnGeometry> result;
    for (int column = 1; column <= relays; ++column) {
        const auto i = std::size_t(column - 1);
        const bool wide = firstRelay + column - 1 >= FirstWideRelay;
        int labelLeft = wide ? columns.wideLabels[i] : columns.narrowLabels[i];
        if (deviation && !deviation->labelLefts.empty())
            labelLeft = deviation->labelLefts[i];
        result.push_back(
            {QRect(labelLeft, LabelTop, wide ? WideLabelWidth : NarrowLabelWidth, LabelHeight),
             QRect(QPoint(columns.indicators[i], indicatorTop), indicatorSize),
             QRect(QPoint(columns.switches[i], SwitchTop), SwitchSize)});
    }
    return result;
}

std::vector<int> ColumnFocusOrder(int relays)
{
    std::vector<int> order;
    for (int column : {1, 2, 5, 6, 7, 3, 4, 8}) {
        if (column <= relays)
            order.push_back(column);
    }
    return order;
}

QRect CaptionRect(int floor, const QString& caption)
{
    const int width = CaptionCharWidth * int(caption.size());
    const int left = width == ShortCaptionWidth ? ShortCaptionLeft : LongCaptionLeft;
    return QRect(left, FloorGeometryOf(floor).captionTop, width, CaptionHeight);
}
