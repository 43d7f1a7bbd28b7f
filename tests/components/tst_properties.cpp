// The published properties over the meta-object, setting them by name from link data, and
// the data-link attachment point of the windowed layer.
#include "components/PropertyText.h"
#include "components/PropertyValue.h"
#include "components/PublishedProperties.h"
#include "components/TCursor.h"
#include "components/TiSwitchRocker.h"
#include "datalink/iOPCItem.h"

#include "support/ComponentAccess.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

#include <limits>
#include <stdexcept>

namespace {

// An item that records what would go to its server.
class RecordingItem : public TiOPCItem
{
public:
    void WriteValue(const QVariant& value) override { written << value; }

    QVariantList written;
};

class TypedRocker : public TiSwitchRocker
{
public:
    using TiSwitchRocker::TiSwitchRocker;

    void OPCDataType(const QString& propertyName, quint16& varType) override
    {
        if (propertyName.compare(QLatin1String("Active"), Qt::CaseInsensitive) == 0)
            varType = 11;
    }
};

QStringList Names(const std::vector<QMetaProperty>& properties)
{
    QStringList names;
    for (const QMetaProperty& p : properties)
        names << QString::fromLatin1(p.name());
    return names;
}

QString ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::invalid_argument& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

} // namespace

// Objects that refer to each other, with kinds the switch does not have.
class Linked : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* Other MEMBER other)
    Q_PROPERTY(QObject* Spare MEMBER spare)
    Q_PROPERTY(int Count MEMBER count)
    Q_PROPERTY(double Ratio MEMBER ratio)
    Q_PROPERTY(Level Stage MEMBER stage)
    Q_PROPERTY(Parts Lamps READ Lamps WRITE SetLamps)
    Q_PROPERTY(QString Label MEMBER label)
    Q_PROPERTY(int Fixed READ Fixed)

public:
    enum Level
    {
        Low,
        Middle,
        High
    };
    Q_ENUM(Level)
    enum Part
    {
        RedLamp = 1,
        GreenLamp = 2,
        BlueLamp = 4
    };
    Q_DECLARE_FLAGS(Parts, Part)
    Q_FLAG(Parts)

    Parts Lamps() const { return lamps; }
    void SetLamps(Parts value) { lamps = value; }
    int Fixed() const { return 7; }

    QObject* other = nullptr;
    QObject* spare = nullptr;
    int count = 0;
    double ratio = 0;
    Level stage = Low;
    Parts lamps;
    QString label;
};

class PropertiesTest : public QObject
{
    Q_OBJECT

private slots:
    void published_inDeclarationOrderOverTheClassChain()
    {
        const auto properties = PublishedProperties(TiSwitchRocker::staticMetaObject);
        QCOMPARE(Names(properties), (QStringList{"Name",
                                                 "Tag",
                                                 "Left",
                                                 "Top",
                                                 "Width",
                                                 "Height",
                                                 "Cursor",
                                                 "Hint",
                                                 "HelpContext",
                                                 "Visible",
                                                 "Enabled",
                                                 "ShowHint",
                                                 "PopupMenu",
                                                 "OptionSaveAllProperties",
                                                 "AutoFrameRate",
                                                 "UpdateFrameRate",
                                                 "Active",
                                                 "MouseControlStyle",
                                                 "ShowFocusRect",
                                                 "IndicatorActiveColor",
                                                 "IndicatorMargin",
                                                 "BorderMargin",
                                                 "TabOrder",
                                                 "TabStop",
                                                 "BackGroundColor",
                                                 "Transparent"}));
        // Width and Height keep their first position with the switch's declaration.
        QCOMPARE(properties[4].enclosingMetaObject(), &TiSwitchRocker::staticMetaObject);
        QCOMPARE(properties[5].enclosingMetaObject(), &TiSwitchRocker::staticMetaObject);
        QCOMPARE(properties[1].enclosingMetaObject(), &TiComponent::staticMetaObject);
    }

    void published_storedRules()
    {
        for (const QMetaProperty& p : PublishedProperties(TiSwitchRocker::staticMetaObject)) {
            QVERIFY(p.isWritable());
            QCOMPARE(p.isStored(), QByteArray(p.name()) != "Name");
        }
    }

    void published_otherClassesPublishAll()
    {
        QCOMPARE(PublishedProperties(Linked::staticMetaObject).size(),
                 size_t(Linked::staticMetaObject.propertyCount()));
    }

    void defaults_areTheValuesOfANewSwitch()
    {
        TiSwitchRocker rocker;
        const QMetaObject& meta = TiSwitchRocker::staticMetaObject;
        QCOMPARE(PropertyDefault(meta, "Width"), std::optional<QString>("25"));
        QCOMPARE(PropertyDefault(meta, "IndicatorActiveColor"), std::optional<QString>("65280"));
        QCOMPARE(PropertyDefault(meta, "BackGroundColor"), std::optional<QString>("-2147483633"));
        QVERIFY(!PropertyDefault(meta, "OptionSaveAllProperties"));
        QVERIFY(!PropertyDefault(meta, "Hint"));
        QVERIFY(!PropertyDefault(meta, "Left"));
        QVERIFY(!PropertyDefault(TiComponent::staticMetaObject, "Width"));

        int withDefault = 0;
        for (const QMetaProperty& p : PublishedProperties(meta)) {
            const auto text = PropertyDefault(meta, p.name());
            if (!text)
                continue;
            ++withDefault;
            // Applying the declared default to a new switch changes nothing.
            const QVariant before = p.read(&rocker);
            ApplyPropertyValue(&rocker, QString(), *text, QString::fromLatin1(p.name()));
            QVERIFY2(p.read(&rocker) == before, p.name());
            TiSwitchRocker other;
            other.SetBounds(0, 0, 1, 1);
            other.SetActive(true);
            other.SetShowFocusRect(false);
            other.SetTabStop(false);
            other.SetIndicatorMargin(9);
            ApplyPropertyValue(&other, QString(), *text, QString::fromLatin1(p.name()));
            QVERIFY2(p.read(&other) == before, p.name());
        }
        QCOMPARE(withDefault, 19);
    }

    void newSwitch_hasItsCreationValues()
    {
        TiSwitchRocker rocker;
        QCOMPARE(rocker.Width(), 25);
        QCOMPARE(rocker.Height(), 50);
        QVERIFY(rocker.TabStop());
        QCOMPARE(rocker.TabOrder(), -1);
        QVERIFY(rocker.Visible());
        QVERIFY(rocker.Enabled());
        QCOMPARE(rocker.Cursor(), crDefault);
        QCOMPARE(rocker.IndicatorActiveColor(), clLime);
        QCOMPARE(rocker.BackGroundColor(), clBtnFace);
        QCOMPARE(rocker.UpdateFrameRate(), 60);
        QVERIFY(!rocker.OptionSaveAllProperties());
        QVERIFY(rocker.CachedDrawing());
        QVERIFY(!rocker.ErrorActive());
    }

    void tabOrder_isThePositionAmongSiblingsThatTakeTheFocus()
    {
        QWidget panel;
        // Labels and shapes between the switches have no place in the order.
        QLabel label(&panel);
        TiSwitchRocker first(&panel);
        QWidget shape(&panel);
        TiSwitchRocker second(&panel);
        QLabel caption(&panel);
        TiSwitchRocker third(&panel);
        QCOMPARE(first.TabOrder(), 0);
        QCOMPARE(third.TabOrder(), 2);
        // An instrument without its tab stop keeps its place; an edit field takes one.
        second.SetTabStop(false);
        QCOMPARE(third.TabOrder(), 2);
        QLineEdit edit(&panel);
        QWidget::setTabOrder(&first, &edit);
        QCOMPARE(second.TabOrder(), 2);
        QCOMPARE(third.TabOrder(), 3);
        edit.setParent(nullptr);
        second.SetTabStop(true);
        third.SetTabOrder(0);
        QCOMPARE(third.TabOrder(), 0);
        QCOMPARE(first.TabOrder(), 1);
        QCOMPARE(second.TabOrder(), 2);
        QCOMPARE(third.nextInFocusChain(), &first);
        third.SetTabOrder(-1);
        QCOMPARE(third.TabOrder(), 2);
        first.SetTabOrder(99);
        QCOMPARE(first.TabOrder(), 2);
        QCOMPARE(second.TabOrder(), 0);
    }

    void cursor_property()
    {
        QWidget panel;
        TiSwitchRocker rocker(&panel);
        rocker.SetCursor(crHandPoint);
        QCOMPARE(rocker.cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(rocker.Cursor(), crHandPoint);
        rocker.setCursor(Qt::WaitCursor);
        QCOMPARE(rocker.Cursor(), crHourGlass);
        rocker.SetCursor(crDefault);
        QVERIFY(!rocker.testAttribute(Qt::WA_SetCursor));
        QCOMPARE(rocker.Cursor(), crDefault);

        // Ids outside the table are kept; they show the arrow.
        for (int id : {7, -5, -23, std::numeric_limits<int>::min()}) {
            rocker.SetCursor(id);
            QCOMPARE(rocker.Cursor(), id);
            QCOMPARE(rocker.cursor().shape(), Qt::ArrowCursor);
        }
        rocker.unsetCursor();
        QCOMPARE(rocker.Cursor(), crDefault);
        rocker.SetCursor(7);
        ApplyPropertyValue(&rocker, QString(), QStringLiteral("-1000"), QStringLiteral("Cursor"));
        QCOMPARE(rocker.Cursor(), -1000);
    }

    void visible_followsExplicitHiding()
    {
        QWidget panel;
        TiSwitchRocker rocker(&panel);
        QVERIFY(rocker.Visible());
        rocker.SetVisible(false);
        QVERIFY(!rocker.Visible());
        rocker.SetVisible(true);
        QVERIFY(rocker.Visible());
    }

    void apply_setsPropertiesByNameCaseInsensitively()
    {
        TiSwitchRocker rocker;
        ApplyPropertyValue(&rocker, QString(), QVariant(true), QStringLiteral("active"));
        QVERIFY(rocker.Active());
        ApplyPropertyValue(&rocker, QStringLiteral("   "), QStringLiteral("7"),
                           QStringLiteral("IndicatorMargin"));
        QCOMPARE(rocker.IndicatorMargin(), 7);
        ApplyPropertyValue(&rocker, QString(), 255, QStringLiteral("INDICATORACTIVECOLOR"));
        QCOMPARE(rocker.IndicatorActiveColor(), clRed);
        ApplyPropertyValue(&rocker, QString(), QStringLiteral("Lamp"), QStringLiteral("Hint"));
        QCOMPARE(rocker.Hint(), QStringLiteral("Lamp"));
        ApplyPropertyValue(&rocker, QString(), QStringLiteral("FALSE"),
                           QStringLiteral("ShowFocusRect"));
        QVERIFY(!rocker.ShowFocusRect());
        ApplyPropertyValue(&rocker, QString(), QStringLiteral("yes"),
                           QStringLiteral("ShowFocusRect"));
        QVERIFY(rocker.ShowFocusRect());
        ApplyPropertyValue(&rocker, QString(), QStringLiteral("5"), QStringLiteral("Nothing"));
    }

    void apply_enumerationOverZeroToOneReadsAnyTextButZeroAsOne()
    {
        TiSwitchRocker rocker;
        ApplyPropertyValue(&rocker, QString(), QStringLiteral("5"),
                           QStringLiteral("MouseControlStyle"));
        QCOMPARE(rocker.MouseControlStyle(), TiSwitchRocker::imcsClickIndicator);
        ApplyPropertyValue(&rocker, QString(), QStringLiteral("False"),
                           QStringLiteral("MouseControlStyle"));
        QCOMPARE(rocker.MouseControlStyle(), TiSwitchRocker::imcsClickAnyWhere);
        ApplyPropertyValue(&rocker, QString(), QStringLiteral("True"),
                           QStringLiteral("MouseControlStyle"));
        QCOMPARE(rocker.MouseControlStyle(), TiSwitchRocker::imcsClickIndicator);
    }

    void apply_otherEnumerationsTakeTheirOrdinal()
    {
        Linked object;
        ApplyPropertyValue(&object, QString(), QStringLiteral("2"), QStringLiteral("Stage"));
        QCOMPARE(object.stage, Linked::High);
        ApplyPropertyValue(&object, QString(), QStringLiteral("true"), QStringLiteral("Stage"));
        QCOMPARE(object.stage, Linked::Middle);
        QCOMPARE(ErrorOf([&] {
                     ApplyPropertyValue(&object, QString(), QStringLiteral("High"),
                                        QStringLiteral("Stage"));
                 }),
                 QStringLiteral("'High' is not a valid integer value"));
    }

    void apply_setsTakeADecimalMaskAsTheFileDoes()
    {
        Linked object;
        const QMetaProperty lamps =
            Linked::staticMetaObject.property(Linked::staticMetaObject.indexOfProperty("Lamps"));
        ApplyPropertyValue(&object, QString(), QStringLiteral("6"), QStringLiteral("Lamps"));
        QCOMPARE(object.lamps.toInt(), 6);
        QCOMPARE(ValueFromText(lamps, QStringLiteral("6")).toInt(), 6);
        for (const char* text : {"True", "false"}) {
            const QString expected =
                QStringLiteral("'%1' is not a valid integer value").arg(QLatin1String(text));
            QCOMPARE(ErrorOf([&] {
                         ApplyPropertyValue(&object, QString(), QString::fromLatin1(text),
                                            QStringLiteral("Lamps"));
                     }),
                     expected);
            QCOMPARE(ErrorOf([&] { ValueFromText(lamps, QString::fromLatin1(text)); }), expected);
        }
        QCOMPARE(object.lamps.toInt(), 6);
    }

    void apply_conversionFailuresReachTheCaller()
    {
        TiSwitchRocker rocker;
        QCOMPARE(ErrorOf([&] {
                     ApplyPropertyValue(&rocker, QString(), QStringLiteral("x"),
                                        QStringLiteral("IndicatorMargin"));
                 }),
                 QStringLiteral("'x' is not a valid integer value"));
        QCOMPARE(rocker.IndicatorMargin(), 3);
        Linked object;
        ApplyPropertyValue(&object, QString(), QStringLiteral("2.5"), QStringLiteral("Ratio"));
        QCOMPARE(object.ratio, 2.5);
        QCOMPARE(ErrorOf([&] {
                     ApplyPropertyValue(&object, QString(), QStringLiteral("half"),
                                        QStringLiteral("Ratio"));
                 }),
                 QStringLiteral("'half' is not a valid floating point value"));
    }

    void apply_readOnlyPropertiesAreLeft()
    {
        Linked object;
        ApplyPropertyValue(&object, QString(), QStringLiteral("x"), QStringLiteral("Fixed"));
        QCOMPARE(object.Fixed(), 7);
    }

    void apply_descendsIntoObjectValuedProperties()
    {
        TiSwitchRocker rocker;
        QMenu menu;
        rocker.SetPopupMenu(&menu);
        ApplyPropertyValue(&rocker, QString(), QStringLiteral("Lamps"),
                           QStringLiteral("PopupMenu.title"));
        QCOMPARE(menu.title(), QStringLiteral("Lamps"));

        Linked a;
        Linked b;
        a.other = &b;
        b.other = &a;
        ApplyPropertyValue(&a, QString(), 4, QStringLiteral("Other.Count"));
        QCOMPARE(b.count, 4);
        QCOMPARE(a.count, 0);
        ApplyPropertyValue(&a, QStringLiteral("Top"), QStringLiteral("x"),
                           QStringLiteral("Top.Other.Label"));
        QCOMPARE(b.label, QStringLiteral("x"));
        QCOMPARE(a.label, QString());

        // One object behind two properties is reached by either name.
        Linked shared;
        Linked owner;
        owner.other = &shared;
        owner.spare = &shared;
        ApplyPropertyValue(&owner, QString(), 6, QStringLiteral("Spare.Count"));
        QCOMPARE(shared.count, 6);
        ApplyPropertyValue(&owner, QString(), QStringLiteral("y"), QStringLiteral("Other.Label"));
        QCOMPARE(shared.label, QStringLiteral("y"));
    }

    void popupMenu_isForgottenWhenDeleted()
    {
        TiSwitchRocker rocker;
        auto* menu = new QMenu;
        rocker.SetPopupMenu(menu);
        delete menu;
        QCOMPARE(rocker.PopupMenu(), nullptr);
        ApplyPropertyValue(&rocker, QString(), QStringLiteral("x"),
                           QStringLiteral("PopupMenu.title"));
    }

    void itemManager_isBoundToTheComponent()
    {
        TypedRocker rocker;
        TiOPCItemManager* manager = rocker.OPCItemManager();
        QVERIFY(manager);
        QCOMPARE(manager->Owner(), &rocker);
        QVERIFY(!manager->IsDesigning());
        rocker.SetDesigning(true);
        QVERIFY(manager->IsDesigning());
        QCOMPARE(manager->OPCDataType(QStringLiteral("Active")), quint16(11));
        QCOMPARE(manager->OPCDataType(QStringLiteral("Tag")), quint16(0));
    }

    void autoErrorOfAnUnlinkedItem_switchesTheErrorIndication()
    {
        TiSwitchRocker rocker;
        auto* item = new TiOPCItem;
        rocker.OPCItemManager()->Add(item);
        const RepaintCounter repaints(rocker);
        item->SetAutoError(true);
        QVERIFY(rocker.ErrorActive());
        QCOMPARE(repaints.Count(), 1);
    }

    void outputData_isOfferedOnlyToLinkedItems()
    {
        TiSwitchRocker rocker;
        QVERIFY(!rocker.OPCOutputData(QStringLiteral("Active"), true));
        auto* item = new RecordingItem;
        item->SetPropertyName(QStringLiteral("active"));
        rocker.OPCItemManager()->Add(item);
        rocker.SetActive(true);
        QVERIFY(!rocker.OPCOutputData(QStringLiteral("Active"), true));
        QVERIFY(item->written.isEmpty());
    }

    void newData_withoutPropertyNameIsIgnored()
    {
        TiSwitchRocker rocker;
        auto* item = new TiOPCItem;
        rocker.OPCItemManager()->Add(item);
        QList<int> reported;
        rocker.OnNewOPCData = [&reported](int index) { reported << index; };
        rocker.OPCItemManager()->NewDataHandler(item);
        QVERIFY(reported.isEmpty());
    }

    void newData_ofBadQualityIsReportedButNotApplied()
    {
        TiSwitchRocker rocker;
        rocker.OPCItemManager()->Add(new TiOPCItem);
        auto* item = new TiOPCItem;
        item->SetPropertyName(QStringLiteral("Tag"));
        rocker.OPCItemManager()->Add(item);
        QList<int> reported;
        bool applyingInside = false;
        rocker.OnNewOPCData = [&](int index) {
            reported << index;
            applyingInside = rocker.ApplyingLinkData();
        };
        rocker.SetTag(5);
        rocker.OPCItemManager()->NewDataHandler(item);
        QCOMPARE(reported, QList<int>{1});
        QVERIFY(applyingInside);
        QVERIFY(!rocker.ApplyingLinkData());
        QCOMPARE(rocker.Tag(), 5);
    }

    void changeFromTheLink_isNotEchoedBack()
    {
        TiSwitchRocker rocker;
        auto* item = new TiOPCItem;
        item->SetPropertyName(QStringLiteral("Active"));
        rocker.OPCItemManager()->Add(item);
        bool answered = true;
        bool stillApplying = true;
        rocker.OnNewOPCData = [&](int) {
            // What the applied value does: the switch offers its change back.
            answered = rocker.OPCOutputData(QStringLiteral("Active"), true);
            stillApplying = rocker.ApplyingLinkData();
        };
        rocker.OPCItemManager()->NewDataHandler(item);
        QVERIFY(!answered);
        QVERIFY(!stillApplying);
    }
};

QTEST_MAIN(PropertiesTest)
#include "tst_properties.moc"
