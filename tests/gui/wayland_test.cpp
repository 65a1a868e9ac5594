// The program in-process on Wayland (OnWeston.InProcessTestsPass runs this
// file's tests in a headless weston; elsewhere they skip).
#include <QGuiApplication>
#include <QTest>
#include <QWindow>
#include <fstream>

#include "desktop_fixture.h"
#include "frontend/commands.h"
#include "frontend/front_end.h"
#include "frontend/settings.h"
#include "platform/qt/main_window.h"
#include "platform/qt/volume_popup.h"

namespace morvel::test {
namespace {

// The volume popup is a popup of the main window and closes at a click; the
// compositor tells no window position, so the one morvel.ini holds (from a
// run under X11) stays there while the window's size is written.
TEST_F(DesktopTest, OnWaylandPopupBelongsToTheWindowAndThePositionStays) {
    if (!QGuiApplication::platformName().startsWith("wayland")) GTEST_SKIP() << "not on Wayland";
    const std::string ini = dataFolder_ + "/morvel.ini";
    std::ofstream(ini) << "[Window]\r\nX=1\r\nLeft=123\r\nTop=77\r\n";
    Start();
    ASSERT_TRUE(OpenCartridge(DemoRom().c_str()));
    ASSERT_TRUE(RunFrames(2));
    RunCommand(kCmdVolume);
    qt::VolumePopup* popup = qt::OpenedVolumePopup();
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(RunUntil([popup] { return popup->windowHandle()->isExposed(); }));
    EXPECT_EQ(popup->windowHandle()->type(), Qt::Popup);
    EXPECT_EQ(popup->windowHandle()->transientParent(), window()->windowHandle());
    EXPECT_TRUE(RunFrames(2)) << "the game stopped behind the popup";
    QTest::mouseClick(window()->centralWidget(), Qt::LeftButton);
    EXPECT_EQ(qt::OpenedVolumePopup(), nullptr);

    RunCommand(kCmdScale3);
    window()->close();
    Settings saved = ReadSettings(ini.c_str(), WorkArea{1024, 768});
    EXPECT_EQ(saved.windowScale, 3);
    EXPECT_EQ(saved.windowLeft, 123);
    EXPECT_EQ(saved.windowTop, 77);
}

}  // namespace
}  // namespace morvel::test
