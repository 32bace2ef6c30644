// Window-menu arithmetic, places kept on the screen, and the twips conversion that carries window places
// through the preferences file.

#include "app/twips.h"
#include "app/windowarranger.h"

#include <QtTest>

using namespace korvo;

class TstWindowArranger : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tilesTakeEditWindowsFirstThenTerminalsInSlotOrderAndSkipMinimised();
    void tilesShareTheClientAreaWithIntegerDivision();
    void cascadeStepsEachWindowAndKeepsItsSize();
    void anEmptyWorkspaceArrangesNothing();
    void aPlaceFromABiggerScreenIsKeptInsideTheArea_data();
    void aPlaceFromABiggerScreenIsKeptInsideTheArea();
    void pixelsSurviveARoundTripThroughTwips_data();
    void pixelsSurviveARoundTripThroughTwips();
};

namespace {
std::vector<ChildPlacement> mixedWorkspace()
{
    return {
        {WindowKind::Terminal, 2, false, QRect(10, 10, 300, 200)},
        {WindowKind::Edit, 3, false, QRect(20, 20, 320, 210)},
        {WindowKind::Terminal, 1, true, QRect(0, 500, 160, 30)},
        {WindowKind::Edit, 1, false, QRect(30, 30, 330, 220)},
        {WindowKind::Terminal, 5, false, QRect(40, 40, 340, 230)},
    };
}

QList<std::pair<int, int>> order(const std::vector<ArrangedWindow> &placed)
{
    QList<std::pair<int, int>> result;
    for (const ArrangedWindow &w : placed)
        result.append({static_cast<int>(w.kind), w.slot});
    return result;
}
} // namespace

void TstWindowArranger::tilesTakeEditWindowsFirstThenTerminalsInSlotOrderAndSkipMinimised()
{
    const auto placed = arrangeWindows(mixedWorkspace(), ArrangeMode::TileHorizontally, QSize(900, 600), 27);
    const QList<std::pair<int, int>> expected{{1, 1}, {1, 3}, {2, 2}, {2, 5}};
    QCOMPARE(order(placed), expected);
    QCOMPARE(placed[0].geometry, QRect(0, 0, 900, 150));
    QCOMPARE(placed[1].geometry, QRect(0, 150, 900, 150));
    QCOMPARE(placed[2].geometry, QRect(0, 300, 900, 150));
    QCOMPARE(placed[3].geometry, QRect(0, 450, 900, 150));

    const auto columns = arrangeWindows(mixedWorkspace(), ArrangeMode::TileVertically, QSize(900, 600), 27);
    QCOMPARE(order(columns), expected);
    QCOMPARE(columns[0].geometry, QRect(0, 0, 225, 600));
    QCOMPARE(columns[3].geometry, QRect(675, 0, 225, 600));
}

void TstWindowArranger::tilesShareTheClientAreaWithIntegerDivision()
{
    std::vector<ChildPlacement> three{
        {WindowKind::Edit, 1, false, {}}, {WindowKind::Edit, 2, false, {}}, {WindowKind::Edit, 4, false, {}}};
    const auto rows = arrangeWindows(three, ArrangeMode::TileHorizontally, QSize(640, 479), 27);
    QCOMPARE(rows[2].geometry, QRect(0, 318, 640, 159));
    const auto cols = arrangeWindows(three, ArrangeMode::TileVertically, QSize(640, 479), 27);
    QCOMPARE(cols[1].geometry, QRect(213, 0, 213, 479));
    QCOMPARE(cols[2].geometry.right(), 638); // the odd pixel stays unused
}

void TstWindowArranger::cascadeStepsEachWindowAndKeepsItsSize()
{
    const int step = twipsToPixels(400, 96.0);
    QCOMPARE(step, 27);
    const auto placed = arrangeWindows(mixedWorkspace(), ArrangeMode::Cascade, QSize(900, 600), step);
    QCOMPARE(placed.size(), size_t(4));
    QCOMPARE(placed[0].geometry, QRect(0, 0, 330, 220));   // edit 1
    QCOMPARE(placed[1].geometry, QRect(27, 27, 320, 210)); // edit 3
    QCOMPARE(placed[2].geometry, QRect(54, 54, 300, 200)); // terminal 2
    QCOMPARE(placed[3].geometry, QRect(81, 81, 340, 230)); // terminal 5
}

void TstWindowArranger::anEmptyWorkspaceArrangesNothing()
{
    QVERIFY(arrangeWindows({}, ArrangeMode::TileVertically, QSize(100, 100), 27).empty());
    const std::vector<ChildPlacement> onlyIcons{{WindowKind::Terminal, 1, true, QRect(0, 0, 50, 20)}};
    QVERIFY(arrangeWindows(onlyIcons, ArrangeMode::TileHorizontally, QSize(100, 100), 27).empty());
}

void TstWindowArranger::aPlaceFromABiggerScreenIsKeptInsideTheArea_data()
{
    // A 1366x768 laptop whose panel takes the top 27 pixels.
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QRect>("kept");
    QTest::newRow("inside stays") << QRect(100, 100, 400, 300) << QRect(100, 100, 400, 300);
    QTest::newRow("at 0,0 under the panel") << QRect(0, 0, 400, 300) << QRect(0, 27, 400, 300);
    QTest::newRow("right of a 1920 screen") << QRect(1700, 900, 400, 300) << QRect(966, 468, 400, 300);
    QTest::newRow("left of the screen") << QRect(-500, 200, 400, 300) << QRect(0, 200, 400, 300);
    QTest::newRow("taller than the screen") << QRect(200, 50, 600, 788) << QRect(200, 27, 600, 741);
    QTest::newRow("larger both ways") << QRect(-10, -10, 2000, 1200) << QRect(0, 27, 1366, 741);
}

void TstWindowArranger::aPlaceFromABiggerScreenIsKeptInsideTheArea()
{
    QFETCH(QRect, place);
    QFETCH(QRect, kept);
    const QRect laptop(0, 27, 1366, 741);
    QCOMPARE(keptInside(place, laptop), kept);
    QVERIFY(laptop.contains(keptInside(place, laptop)));
    // Before a screen is known there is nothing to keep it in.
    QCOMPARE(keptInside(place, QRect()), place);
}

void TstWindowArranger::pixelsSurviveARoundTripThroughTwips_data()
{
    QTest::addColumn<double>("dpi");
    for (double dpi : {72.0, 96.0, 110.0, 120.0, 144.0, 157.35, 192.0})
        QTest::addRow("%g dpi", dpi) << dpi;
}

void TstWindowArranger::pixelsSurviveARoundTripThroughTwips()
{
    QFETCH(double, dpi);
    for (int pixels = -3000; pixels <= 8000; ++pixels)
        QCOMPARE(twipsToPixels(pixelsToTwips(pixels, dpi), dpi), pixels);
    QCOMPARE(pixelsToTwips(96, 96.0), 1440);
    QCOMPARE(twipsToPixels(12045, 96.0), 803);
}

QTEST_GUILESS_MAIN(TstWindowArranger)
#include "tst_windowarranger.moc"
