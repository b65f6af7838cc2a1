// The main window's layout table: where each control goes for a client size,
// and what a tiny (or minimised) client area makes of it.
#include <gtest/gtest.h>

#include <vector>

#include "res/resource.h"
#include "ui/main/layout.h"

namespace scriblet {
namespace {

struct Placed {
    int id, x, y, width, height;
};

void expectPlacements(int w, int h, const std::vector<Placed>& expected) {
    const auto placements = mainWindowLayout(w, h);
    ASSERT_EQ(expected.size(), placements.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const ControlPlacement& p = placements[i];
        const Placed& e = expected[i];
        EXPECT_EQ(e.id, p.controlId) << "step " << i + 1;
        EXPECT_EQ((std::vector<int>{e.x, e.y, e.width, e.height}), (std::vector<int>{p.x, p.y, p.width, p.height}))
            << "control " << e.id << " in " << w << " x " << h;
    }
}

TEST(LayoutTable, PlacesTheTenControlsInOrderForTwoSizes) {
    expectPlacements(500, 400, {
                                   {IDC_TITLE_LIST, 375, 0, 125, 366},
                                   {IDC_DATE_BUTTON, 353, 0, 22, 21},
                                   {IDC_TITLE, 0, 0, 301, 21},
                                   {IDC_TITLE_SEPARATOR, 301, 0, 2, 21},
                                   {IDC_DATE, 303, 0, 50, 21},
                                   {IDC_BODY, 0, 21, 375, 345},
                                   {IDC_BOTTOM_BAR, 0, 366, 500, 34},
                                   {IDC_CLOSE_BUTTON, 10, 372, 56, 23},
                                   {IDC_DELETE_BUTTON, 415, 372, 23, 23},
                                   {IDC_UNDO_BUTTON, 438, 372, 23, 23},
                               });
    // A window near its minimum size.
    expectPlacements(266, 134, {
                                   {IDC_TITLE_LIST, 141, 0, 125, 100},
                                   {IDC_DATE_BUTTON, 119, 0, 22, 21},
                                   {IDC_TITLE, 0, 0, 67, 21},
                                   {IDC_TITLE_SEPARATOR, 67, 0, 2, 21},
                                   {IDC_DATE, 69, 0, 50, 21},
                                   {IDC_BODY, 0, 21, 141, 79},
                                   {IDC_BOTTOM_BAR, 0, 100, 266, 34},
                                   {IDC_CLOSE_BUTTON, 10, 106, 56, 23},
                                   {IDC_DELETE_BUTTON, 181, 106, 23, 23},
                                   {IDC_UNDO_BUTTON, 204, 106, 23, 23},
                               });
}

TEST(LayoutTable, FormattingRectanglesOfTheThreeFields) {
    const auto placements = mainWindowLayout(500, 400);
    struct Expected {
        std::size_t step;
        FormatRect kind;
        int left, top, right, bottom;
    };
    const Expected fields[] = {
        {2, FormatRect::SetRectNoRepaint, 4, 6, 305, 27},  // title: moved 4 right and 6 down
        {4, FormatRect::SetRect, 4, 6, 50, 21},            // date
        {5, FormatRect::SetRect, 4, 4, 379, 370},          // body
    };
    for (const Expected& e : fields) {
        const ControlPlacement& p = placements[e.step];
        EXPECT_EQ(e.kind, p.formatKind) << "control " << p.controlId;
        EXPECT_EQ((std::vector<int>{e.left, e.top, e.right, e.bottom}),
                  (std::vector<int>{p.format.left, p.format.top, p.format.right, p.format.bottom}))
            << "control " << p.controlId;
    }
    for (std::size_t step : {0u, 1u, 3u, 6u, 7u, 8u, 9u}) {
        EXPECT_EQ(FormatRect::None, placements[step].formatKind) << "control " << placements[step].controlId;
    }
}

TEST(LayoutTable, MinimisedClientAreaClampsSizesAtZero) {
    for (const ControlPlacement& p : mainWindowLayout(0, 0)) {
        EXPECT_GE(p.width, 0) << "control " << p.controlId;
        EXPECT_GE(p.height, 0) << "control " << p.controlId;
    }
    const auto placements = mainWindowLayout(0, 0);
    // Fixed sizes stay; the sizes that follow the client area become 0.
    EXPECT_EQ(0, placements[0].height);   // list: H - 34
    EXPECT_EQ(125, placements[0].width);
    EXPECT_EQ(0, placements[2].width);    // title: W - 199
    EXPECT_EQ(0, placements[5].width);    // body: W - 125
    EXPECT_EQ(0, placements[5].height);   // body: H - 55
    EXPECT_EQ(-125, placements[0].x);
    EXPECT_EQ(23, placements[9].width);
}

}  // namespace
}  // namespace scriblet
