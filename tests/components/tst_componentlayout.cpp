#include "components/ComponentLayout.h"

#include <QJsonArray>
#include <QTest>

#include "components/TColor.h"
#include "components/TiSwitchRocker.h"
#include "datalink/OPCError.h"
#include "datalink/iOPCItem.h"

namespace {

// An item that names no server, so reading it never reaches one.
TiOPCItem* idleItem(const QString& itemName)
{
    auto* item = new TiOPCItem;
    item->SetPropertyName(QStringLiteral("Active"));
    item->SetItemName(itemName);
    return item;
}

} // namespace

class TestComponentLayout : public QObject
{
    Q_OBJECT
private slots:
    void propertiesRoundTripWithoutChangeEvents()
    {
        TiSwitchRocker original;
        original.SetTag(8);
        original.SetActive(true);
        original.SetIndicatorActiveColor(clLime);
        original.setGeometry(30, 40, 38, 89);
        const QJsonObject layout = WriteComponentLayout(original);
        QVERIFY(!layout.contains("OPCItems"));
        QCOMPARE(layout.value("Tag").toString(), QStringLiteral("8"));

        TiSwitchRocker copy;
        int changes = 0;
        copy.OnChange = [&changes](QObject*) { ++changes; };
        ReadComponentLayout(copy, layout);
        QCOMPARE(copy.Tag(), 8);
        QVERIFY(copy.Active());
        QCOMPARE(copy.IndicatorActiveColor(), clLime);
        QCOMPARE(copy.geometry(), QRect(30, 40, 38, 89));
        QCOMPARE(changes, 0);
        QVERIFY(!copy.UpdateLocked());
        QVERIFY(!copy.ChangeEventsSuppressed());
    }

    void propertiesEqualToTheirDefaultsAreLeftOut()
    {
        QWidget panel;
        TiSwitchRocker rocker;
        // A new switch stands at every declared default, in the writer's own texts.
        QCOMPARE(WriteComponentLayout(rocker).keys(),
                 (QStringList{"Hint", "Left", "OptionSaveAllProperties", "ShowHint", "Top"}));

        rocker.setParent(&panel);
        rocker.SetActive(true);
        rocker.SetShowFocusRect(false);
        rocker.SetWidth(38);
        rocker.SetBackGroundColor(clRed);
        const QJsonObject layout = WriteComponentLayout(rocker);
        QCOMPARE(layout.keys(), (QStringList{"Active", "BackGroundColor", "Hint", "Left",
                                             "OptionSaveAllProperties", "ShowFocusRect", "ShowHint",
                                             "TabOrder", "Top", "Width"}));
        QCOMPARE(layout.value("ShowFocusRect").toString(), QStringLiteral("0"));
        QCOMPARE(layout.value("TabOrder").toString(), QStringLiteral("0"));

        TiSwitchRocker copy(&panel);
        ReadComponentLayout(copy, layout);
        QCOMPARE(WriteComponentLayout(copy), layout);
    }

    void itemsAreStoredOnlyWhenThereAreAnyAndReadBackInOrder()
    {
        TiSwitchRocker original;
        original.OPCItemManager()->Add(idleItem("first"));
        original.OPCItemManager()->Add(idleItem("second"));
        const QJsonObject layout = WriteComponentLayout(original);
        QCOMPARE(layout.value("OPCItems").toArray().size(), 2);

        TiSwitchRocker copy;
        copy.OPCItemManager()->Add(idleItem("stale"));
        ReadComponentLayout(copy, layout);
        TiOPCItemManager* items = copy.OPCItemManager();
        QCOMPARE(items->Count(), 2);
        QCOMPARE(items->Items(0)->ItemName(), QStringLiteral("first"));
        QCOMPARE(items->Items(1)->ItemName(), QStringLiteral("second"));
        QCOMPARE(items->IndexOf(items->Items(1)), 1);
        QCOMPARE(items->Items(0)->PropertyName(), QStringLiteral("Active"));
    }

    void aBadLayoutFailsAndLeavesTheComponentWorking()
    {
        TiSwitchRocker target;
        QJsonObject layout{{"Tag", "4"}, {"Active", "True"}};
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ReadComponentLayout(target, layout));
        QCOMPARE(target.Tag(), 4);
        QVERIFY(!target.UpdateLocked());
        QVERIFY(!target.ChangeEventsSuppressed());

        QJsonObject notAList{{"OPCItems", "x"}};
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ReadComponentLayout(target, notAList));
        QVERIFY(!target.UpdateLocked());

        for (const QJsonValue& item : {QJsonValue(3), QJsonValue(QJsonObject{{"ItemName", 3}})}) {
            const QJsonObject badItem{{"OPCItems", QJsonArray{item}}};
            QVERIFY_THROWS_EXCEPTION(OPCError, ReadComponentLayout(target, badItem));
            QVERIFY(!target.UpdateLocked());
            QVERIFY(!target.ChangeEventsSuppressed());
        }
    }
};

QTEST_MAIN(TestComponentLayout)
#include "tst_componentlayout.moc"
