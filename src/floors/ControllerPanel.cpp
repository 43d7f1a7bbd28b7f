#include "floors/ControllerPanel.h"

#include <QLabel>

#include "components/TColor.h"
#include "components/TCursor.h"
#include "components/TiSwitchRocker.h"
#include "floors/DesignerFont.h"
#include "floors/FloorLayout.h"
#include "floors/TShape.h"
#include "link/RelayColors.h"

namespace {
constexpr int RelayLabelPixels = 13;
constexpr int CaptionPixels = 16;

QLabel* addLabel(QWidget* parent, const QString& name, const QString& text, const QRect& rect,
                 int pixelSize)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(DesignerFont(SerifFamily, pixelSize));
    // The designer's sizes fit the designer's fonts; a wider stand-in font must not be cut off.
    label->setGeometry(rect);
    if (label->sizeHint().width() > rect.width())
        label->resize(label->sizeHint().width(), rect.height());
    return label;
}
} // namespace

ControllerPanel::ControllerPanel(int floor, PanelPosition position, const TNotifyEvent& onChange,
                                 QWidget* parent)
    : BevelPanel(Bevel::Lowered, Bevel::Raised, parent), position_(position),
      address_(AddressOfPanel(floor, position))
{
    const PanelRow& row = PanelRowOf(position);
    setObjectName(QString::fromLatin1(row.panelName));
    setGeometry(FloorGeometryOf(floor).panels[std::size_t(position)]);

    const QStringList indicatorNames = IndicatorNamesOf(address_);
    const std::vector<ColumnGeometry> columns = PanelColumns(floor, position);
    for (int column = 1; column <= int(columns.size()); ++column) {
        const ColumnGeometry& place = columns[std::size_t(column - 1)];
        const QString caption = RelayLabelCaption(position, column);
        QLabel* label = addLabel(this, caption, caption, place.label, RelayLabelPixels);

        auto* shape = new TShape(this);
        shape->setObjectName(indicatorNames[column - 1]);
        shape->setGeometry(place.indicator);
        indicators_.push_back(shape);

        auto* rocker = new TiSwitchRocker(this);
        rocker->setObjectName(QString::fromLatin1(row.switchNames[std::size_t(column - 1)]));
        rocker->SetTag(RelayBit(column));
        rocker->SetIndicatorActiveColor(TColor(RelayOnColor));
        rocker->SetCursor(crHandPoint);
        rocker->SetOptionSaveAllProperties(false);
        rocker->setGeometry(place.switchRect);
        rocker->OnChange = onChange;
        // The relay's label names the switch to assistive technology.
        label->setBuddy(rocker);
        switches_.push_back(rocker);
    }

    const QString caption = QString::fromUtf8(ControllerOf(floor, position).caption);
    addLabel(this, objectName() + QLatin1String("Caption"), caption, CaptionRect(floor, caption),
             CaptionPixels);
}
