// The main window without a station behind it: where the tiles of the 8-,
// 16- and 24-port layouts go, the page's and the sheet's captions in both
// languages, the page locks of the sheet, and the keys the window takes or
// ignores.
#include "engine/main_page.h"
#include "ui/controls/button_ex.h"
#include "ui/controls/label.h"
#include "ui/controls/my_tab_ctrl.h"
#include "ui/controls/progress_ctrl_ex.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/main/main_wnd_dlg.h"
#include "ui/main/main_wnd_sheet.h"
#include "ui/main/port_tile.h"
#include "ui/main/varnet_tool_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "qt_print.h"

#include <gtest/gtest.h>

namespace varnet::ui {
namespace {

struct Rect {
    int left, top, width, height;
};

Rect RectOf(const QWidget* w) {
    return {w->x(), w->y(), w->width(), w->height()};
}

bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.left << ", " << r.top << ", " << r.width << " x " << r.height << ")";
}

TEST(MainPageLayout, TilesOfEveryPortCountSitWhereTheTableSays) {
    struct Case {
        int slotNumber;
        int shown;
        int buttonHeight, barHeight, textHeight;
        std::vector<std::pair<int, Rect>> tiles; // port (0-based) and its whole tile
    };
    // Tiles start at (8, 160), 4 pixels apart across, rows a tile height plus
    // 6 apart; a tile is button + bar + text high.
    const Case cases[] = {
        {8,
         8,
         32,
         14,
         170,
         {{0, {8, 160, 212, 216}},
          {3, {656, 160, 212, 216}},
          {4, {8, 382, 212, 216}},
          {7, {656, 382, 212, 216}}}},
        {16,
         16,
         32,
         14,
         170,
         {{0, {8, 160, 104, 216}},
          {7, {764, 160, 104, 216}},
          {8, {8, 382, 104, 216}},
          {15, {764, 382, 104, 216}}}},
        {24,
         24,
         23,
         10,
         110,
         {{0, {8, 160, 104, 143}},
          {9, {116, 309, 104, 143}},
          {16, {8, 458, 104, 143}},
          {23, {764, 458, 104, 143}}}},
        // Anything but 16 or 24 is the 8-port page.
        {12, 8, 32, 14, 170, {{5, {224, 382, 212, 216}}}},
    };
    CVarnetToolDlg page(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slotNumber);
        page.View()->ShowLayout(LayoutForSlots(c.slotNumber), 0);
        for (const auto& [port, rect] : c.tiles) {
            const CPortTile* tile = page.Tile(port);
            EXPECT_EQ(RectOf(tile), rect) << "port " << port + 1;
            EXPECT_EQ(RectOf(tile->Button()), (Rect{0, 0, rect.width, c.buttonHeight}));
            EXPECT_EQ(RectOf(tile->Bar()), (Rect{0, c.buttonHeight, rect.width, c.barHeight}));
            EXPECT_EQ(RectOf(tile->Status()),
                      (Rect{0, c.buttonHeight + c.barHeight, rect.width, c.textHeight}));
        }
        for (int port = 0; port < 24; ++port)
            EXPECT_EQ(page.Tile(port)->isHidden(), port >= c.shown) << "port " << port + 1;
        EXPECT_EQ(page.PortCountCombo()->currentText().toInt(), c.shown);
    }
}

TEST(MainPageLayout, TheMapTypeOfTheLayoutIsSelected) {
    CVarnetToolDlg page(0);
    for (uint8_t map : {2, 1, 0}) {
        page.View()->ShowLayout(LayoutForSlots(24), map);
        EXPECT_EQ(page.MapCombo()->currentIndex(), map);
    }
}

struct PageCaptions {
    int language;
    std::vector<const char*> page;   // Start, Refresh, LockCurrent, SN Scan, box, Ports, Map
    std::vector<const char*> fields; // 139-145, then the serial number's
    std::vector<const char*> map;
    std::vector<const char*> tabs;
};

TEST(MainPageCaptions, EveryCaptionInItsLanguage) {
    const std::vector<const char*> englishFields = {
        "Test Station:", "Controller:",    "Flash Type:", "CE Number:",
        "Total Size:",   "Working Order:", "Model Name:", "Start SN:"};
    const PageCaptions english = {0,
                                  {"Start", "Refresh", "Lock", "SN Scan", "Current Setting", "Ports", "Map"},
                                  englishFields,
                                  {"Default", "LockHub", "LockDev"},
                                  {"Main", "Configuration", "RDT Info", "Bad Block Info", "Yield"}};
    const PageCaptions chinese = {
        1,
        {"开始", "刷新", "锁定", "序号扫描", "当前设定", "端口数", "定port"},
        {"测试站:", "主控型号:", "Flash类型:", "CE数量:", "总容量:", "工作名称:", "开卡名称:", "起始序号:"},
        {"默认", "锁Hub", "锁装置"},
        {"主窗口", "参数设置", "RDT信息", "坏块信息", "良率"}};
    // Traditional Chinese shows the English captions.
    PageCaptions traditional = english;
    traditional.tabs.back() = "Yield";
    traditional.language = 2;
    for (const PageCaptions& c : {english, chinese, traditional}) {
        SCOPED_TRACE(c.language);
        CMainWndSheet sheet(c.language);
        const CVarnetToolDlg& page = *sheet.MainPage();
        const QString shown[] = {page.StartButton()->text(),    page.RefreshButton()->text(),
                                 page.LockCurrentBox()->text(), page.SnScanButton()->text(),
                                 page.SettingBox()->title(),    page.PortCountLabel()->text(),
                                 page.MapLabel()->text()};
        for (size_t i = 0; i < c.page.size(); ++i)
            EXPECT_EQ(shown[i], QString::fromUtf8(c.page[i]));
        const int fieldKeys[] = {139, 140, 141, 142, 143, 144, 145, 146};
        for (size_t i = 0; i < c.fields.size(); ++i)
            EXPECT_EQ(page.SettingCaption(fieldKeys[i])->text(), QString::fromUtf8(c.fields[i]));
        // Fields without a caption number read the same in every language.
        EXPECT_EQ(page.SettingCaption(0)->text(), "Flash ID:");
        EXPECT_EQ(page.SettingCaption(1)->text(), "MP FW:");
        EXPECT_EQ(page.SettingCaption(2)->text(), "RDT FW:");
        ASSERT_EQ(page.MapCombo()->count(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(page.MapCombo()->itemText(i), QString::fromUtf8(c.map[static_cast<size_t>(i)]));
        ASSERT_EQ(sheet.Tabs()->count(), 5);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(sheet.Tabs()->tabText(i), QString::fromUtf8(c.tabs[static_cast<size_t>(i)]));
    }
}

TEST(MainPageCaptions, RunClockLooksAsTheStationShowsIt) {
    CVarnetToolDlg page(0);
    const CLabel& clock = *page.RunClock();
    EXPECT_EQ(clock.GetText(), "00:00:00");
    EXPECT_TRUE(clock.font().bold());
    EXPECT_TRUE(clock.font().italic());
    EXPECT_DOUBLE_EQ(clock.font().pointSizeF(), 10.0);
    EXPECT_EQ(clock.BkColor(), QColor(Qt::white));
    EXPECT_EQ(clock.TextColor(), QColor(Qt::black));
    EXPECT_TRUE(clock.IsSunken());
    EXPECT_TRUE(clock.HasBorder());
}

class SheetLocks : public ::testing::Test {
protected:
    void TearDown() override { PageLockBits().store(0); }

    static void ClickTab(CMainWndSheet& sheet, int index) {
        QTabBar* bar = sheet.Tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
};

TEST_F(SheetLocks, ALockedPageIsNeverActivatedWhicheverWayItIsAskedFor) {
    CMainWndSheet sheet(0);
    sheet.resize(1026, 644);
    sheet.show();
    QSignalSpy activated(&sheet, &CMainWndSheet::PageActivated);
    // As while ports run: the three other pages are locked.
    PageLockBits().store(kLockConfigurationPage | kLockRdtInfoPage | kLockBadBlockPage);
    for (int page : {1, 2, 3}) {
        ClickTab(sheet, page);
        EXPECT_FALSE(sheet.ActivatePage(page));
        EXPECT_EQ(sheet.ActivePage(), 0);
        EXPECT_TRUE(sheet.MainPage()->isVisible());
    }
    QTest::keyClick(sheet.Tabs(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(sheet.ActivePage(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(activated.count(), 0);

    // The runs ended; the settings editor now locks every page but its own.
    PageLockBits().store(0);
    ClickTab(sheet, 1);
    ASSERT_EQ(sheet.ActivePage(), 1);
    ASSERT_TRUE(activated.wait(1000));
    EXPECT_EQ(activated.takeFirst().at(0).toInt(), 1);
    PageLockBits().store(kLockMainPage | kLockRdtInfoPage | kLockBadBlockPage);
    ClickTab(sheet, 0);
    EXPECT_EQ(sheet.ActivePage(), 1);
    PageLockBits().store(0);
    EXPECT_TRUE(sheet.ActivatePage(3));
    ASSERT_TRUE(activated.wait(1000));
    EXPECT_EQ(activated.takeFirst().at(0).toInt(), 3);
}

TEST_F(SheetLocks, ConfigurationHooksRunWhenTheirPagesBecomeActive) {
    CMainWndSheet sheet(0);
    QSignalSpy activated(&sheet, &CMainWndSheet::PageActivated);
    int applied = 0, loaded = 0;
    sheet.SetConfigurationHooks(
        [&] {
            ++applied;
            return std::nullopt;
        },
        [&](const std::filesystem::path&) { ++loaded; });
    sheet.ActivatePage(1);
    ASSERT_TRUE(activated.wait(1000));
    // Without a station there is no file to load.
    EXPECT_EQ(loaded, 0);
    sheet.ActivatePage(0);
    ASSERT_TRUE(activated.wait(1000));
    EXPECT_EQ(applied, 1);
}

TEST(MainWindowKeys, EscAndEnterDoNothingAndF1OpensAbout) {
    CMainWndDlg window(0);
    window.show();
    EXPECT_EQ(window.size(), QSize(1040, 678));
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&window, key);
        EXPECT_TRUE(window.isVisible()) << key;
    }
    // Enter on the focused Start button must not press it either.
    QPushButton* start = window.MainPage()->StartButton();
    QSignalSpy pressed(start, &QPushButton::clicked);
    start->setFocus();
    QTest::keyClick(start, Qt::Key_Return);
    EXPECT_EQ(pressed.count(), 0);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.findChild<CAboutDlg*>(), nullptr);
    QTest::keyClick(&window, Qt::Key_F1);
    CAboutDlg* about = window.findChild<CAboutDlg*>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    about->close();
}

// The window manager owns the title bar: the window's own menu comes up on
// a right click on the tab strip, on a tab or beside the tabs, not on a page.
TEST(MainWindowMenu, ARightClickOnTheTabStripOffersAboutWhichOpensIt) {
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        CMainWndDlg window(language);
        window.show();
        QTabWidget* tabs = window.Sheet()->Tabs();
        QTabBar* bar = tabs->tabBar();
        QMenu* menu = window.SystemMenu();
        ASSERT_NE(menu, nullptr);
        const struct {
            const char* where;
            QWidget* on;
            QPoint at;
            bool opens;
        } clicks[] = {
            {"on a tab", bar, bar->tabRect(2).center(), true},
            {"beside the tabs", tabs, QPoint(tabs->width() - 10, bar->height() / 2), true},
            {"on the page", tabs, QPoint(tabs->width() / 2, tabs->height() - 10), false},
        };
        for (const auto& c : clicks) {
            QWidget* target = c.on->childAt(c.at) ? c.on->childAt(c.at) : c.on;
            const QPoint at = target->mapFrom(c.on, c.at);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
            QCoreApplication::sendEvent(target, &event);
            EXPECT_EQ(menu->isVisible(), c.opens) << c.where;
            menu->hide();
        }
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_EQ(menu->actions()[0]->text(), "&About VarnetTool...");
        EXPECT_EQ(window.findChild<CAboutDlg*>(), nullptr);
        menu->actions()[0]->trigger();
        CAboutDlg* about = window.findChild<CAboutDlg*>();
        ASSERT_NE(about, nullptr);
        EXPECT_TRUE(about->isVisible());
        about->close();
    }
}

} // namespace
} // namespace varnet::ui
