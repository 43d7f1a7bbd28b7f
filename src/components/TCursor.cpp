#include "components/TCursor.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<int, Qt::CursorShape>, 17> Cursors{{
    {crNone, Qt::BlankCursor},
    {crArrow, Qt::ArrowCursor},
    {crCross, Qt::CrossCursor},
    {crIBeam, Qt::IBeamCursor},
    {crSizeNESW, Qt::SizeBDiagCursor},
    {crSizeNS, Qt::SizeVerCursor},
    {crSizeNWSE, Qt::SizeFDiagCursor},
    {crSizeWE, Qt::SizeHorCursor},
    {crUpArrow, Qt::UpArrowCursor},
    {crHourGlass, Qt::WaitCursor},
    {crHSplit, Qt::SplitHCursor},
    {crVSplit, Qt::SplitVCursor},
    {crNo, Qt::ForbiddenCursor},
    {crAppStart, Qt::BusyCursor},
    {crHelp, Qt::WhatsThisCursor},
    {crHandPoint, Qt::PointingHandCursor},
    {crSizeAll, Qt::SizeAllCursor},
}};

} // namespace

std::optional<Qt::CursorShape> CursorShapeOf(int cursorId)
{
    for (const auto& [id, shape] : Cursors) {
        if (id == cursorId)
            return shape;
    }
    return std::nullopt;
}

int CursorIdOf(Qt::CursorShape shape)
{
    for (const auto& [id, cursorShape] : Cursors) {
        if (cursorShape == shape)
            return id;
    }
    return crDefault;
}
