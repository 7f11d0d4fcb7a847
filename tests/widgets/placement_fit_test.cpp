// SPDX-License-Identifier: MIT
// A remembered window rectangle brought onto the screens of the moment.
#include <QtTest>

#include "frame/placement.h"

class PlacementFitTest final : public QObject {
    Q_OBJECT

private slots:
    void rectangleIsBroughtOntoAScreen()
    {
        const PlacementRect primary{0, 0, 1280, 900}, right{1280, 0, 2560, 1024};
        const struct {
            PlacementRect kept;
            std::vector<PlacementRect> screens;
            PlacementRect placed;
        } cases[] = {
            {{10, 10, 500, 400}, {primary}, {10, 10, 500, 400}},            // fits: unchanged
            {{100, 100, 1200, 860}, {{0, 0, 640, 450}}, {0, 0, 640, 450}},  // kept at half the scale
            {{-50, -20, 300, 200}, {primary}, {0, 0, 350, 220}},            // title bar above the screen
            {{3000, 800, 3400, 1000}, {primary}, {880, 700, 1280, 900}},    // its monitor is gone
            {{1200, 50, 1700, 450}, {primary, right}, {1280, 50, 1780, 450}},  // mostly on the right one
            {{0, 0, 0, 0}, {primary}, {10, 10, 500, 400}},                  // damaged: the default
            {{-2147483647, 0, 2147483647, 100}, {primary}, {0, 0, 1280, 100}},
        };
        for (const auto& c : cases)
            QCOMPARE(FitOnScreens(c.kept, c.screens), c.placed);
    }
};

QTEST_APPLESS_MAIN(PlacementFitTest)
#include "placement_fit_test.moc"
