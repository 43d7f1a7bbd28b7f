#include "components/VirtualKey.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<int, quint16>, 19> NamedKeys{{
    {Qt::Key_Backspace, VK_BACK},  {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},      {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_PageUp, VK_PRIOR},    {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},       {Qt::Key_Left, VK_LEFT},     {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},     {Qt::Key_Down, VK_DOWN},     {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},
}};

} // namespace

quint16 VirtualKeyOf(int qtKey)
{
    if (qtKey == Qt::Key_Space || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) ||
        (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return static_cast<quint16>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return static_cast<quint16>(VK_F1 + (qtKey - Qt::Key_F1));
    for (const auto& [key, code] : NamedKeys) {
        if (key == qtKey)
            return code;
    }
    return 0;
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState shift;
    shift.setFlag(ssShift, modifiers.testFlag(Qt::ShiftModifier));
    shift.setFlag(ssAlt, modifiers.testFlag(Qt::AltModifier));
    shift.setFlag(ssCtrl, modifiers.testFlag(Qt::ControlModifier));
    shift.setFlag(ssLeft, buttons.testFlag(Qt::LeftButton));
    shift.setFlag(ssRight, buttons.testFlag(Qt::RightButton));
    shift.setFlag(ssMiddle, buttons.testFlag(Qt::MiddleButton));
    return shift;
}
