// The window on scaled screens and at large fonts, and the screen saver held
// off while a game runs. CTest runs the HighDpi tests again with
// QT_SCALE_FACTOR 1.25, 1.5 and 2.
#include <signal.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QSlider>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>

#include "desktop_fixture.h"
#include "frontend/commands.h"
#include "frontend/front_end.h"
#include "platform/qt/input_dialogs.h"
#include "platform/qt/main_window.h"
#include "platform/qt/menu_table.h"
#include "platform/qt/volume_popup.h"

#if MORVEL_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#endif

namespace morvel::test {
namespace {

using HighDpi = DesktopTest;

// Device pixels per console pixel at sizes 1X-4X, by device pixel ratio.
constexpr std::pair<double, std::array<int, 4>> kScaleCases[] = {
    {1, {1, 2, 3, 4}}, {1.25, {1, 3, 4, 5}}, {1.5, {2, 3, 5, 6}}, {2, {2, 4, 6, 8}}};

// Whole device pixels in [start, start + length) of logical ones, less `needed`.
int SpareDevicePixels(int start, int length, double ratio, int needed) {
    return static_cast<int>(std::floor((start + length) * ratio) - std::ceil(start * ratio)) -
           needed;
}

// Dot by Dot at size s + 1 leaves room for the picture on whole device
// pixels of the window's screen, a few spare ones at most.
void ExpectWholeDevicePixels(QWidget* window, int s) {
    const double ratio = window->devicePixelRatioF();
    auto scale = std::find_if(std::begin(kScaleCases), std::end(kScaleCases),
                              [ratio](const auto& c) { return std::abs(c.first - ratio) < 1e-9; });
    ASSERT_NE(scale, std::end(kScaleCases)) << "no expectations for ratio " << ratio;
    QWidget* client = static_cast<QMainWindow*>(window)->centralWidget();
    QPoint at = client->mapTo(window, QPoint(0, 0));
    int k = scale->second[s];
    int across = SpareDevicePixels(at.x(), client->width(), ratio, 256 * k);
    int down = SpareDevicePixels(at.y(), client->height(), ratio, 224 * k);
    EXPECT_TRUE(across >= 0 && across <= 3 && down >= 0 && down <= 3)
        << s + 1 << "X at " << ratio << ": " << across << ", " << down;
}

// Dot by Dot at each size takes whole device pixels, and a window grown from
// the middle of the screen stays on it.
TEST_F(HighDpi, DotByDotTakesWholeDevicePixelsAndStaysOnScreen) {
    Start({DemoRom()});
    const QRect area = window()->screen()->availableGeometry();
    qt::ActionOf(kCmdDotByDot)->trigger();
    for (int s = 0; s < 4; ++s) {
        window()->move(area.center());
        RunPasses(2);
        qt::ActionOf(s < 3 ? kCmdScale1 + s : kCmdScale4)->trigger();
        ASSERT_TRUE(RunFrames(2));
        ExpectWholeDevicePixels(window(), s);
        QRect frame = window()->frameGeometry();
        bool fits = frame.width() <= area.width() && frame.height() <= area.height();
        EXPECT_TRUE(fits ? area.contains(frame) : area.contains(frame.topLeft())) << s + 1 << "X";
    }
}

// Moved to a screen of another scale and back, a Dot by Dot window takes the
// whole device pixels of the screen it is on (CTest runs this on two screens
// of 1 and 1.5 device pixels to the logical one).
TEST_F(HighDpi, DotByDotFollowsTheWindowToAnotherScreen) {
    if (QGuiApplication::screens().size() < 2) GTEST_SKIP() << "one screen";
    Start({DemoRom()});
    qt::ActionOf(kCmdDotByDot)->trigger();
    qt::ActionOf(kCmdScale1)->trigger();
    for (QScreen* screen : QGuiApplication::screens() + QGuiApplication::screens()) {
        window()->move(screen->availableGeometry().topLeft() + QPoint(40, 40));
        ASSERT_TRUE(RunFrames(2));
        ASSERT_EQ(window()->screen(), screen);
        ExpectWholeDevicePixels(window(), 0);
    }
}

// Every text of the volume popup and the input dialogs shows whole at a large
// font: each control has the size its text needs, inside its window, and no
// two controls overlap.
void ExpectTextsFit(QWidget* window, const char* name) {
    window->show();
    QApplication::processEvents();
    std::vector<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if ((qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
             qobject_cast<QComboBox*>(w) || qobject_cast<QSlider*>(w)) &&
            w->isVisibleTo(window))
            controls.push_back(w);
    ASSERT_FALSE(controls.empty()) << name;
    for (QWidget* w : controls) {
        std::string what = std::string(name) + " " + w->property("text").toString().toStdString();
        QSize needed = w->minimumSizeHint();
        EXPECT_TRUE(w->width() >= needed.width() && w->height() >= needed.height()) << what;
        EXPECT_TRUE(window->rect().contains(w->geometry())) << what;
        for (QWidget* other : controls)
            EXPECT_TRUE(other == w || !w->geometry().intersects(other->geometry())) << what;
    }
}

TEST_F(HighDpi, PopupAndDialogsFitTheirTextsAtALargeFont) {
    const QFont before = QApplication::font();
    QFont large = before;
    large.setPointSize(22);
    QApplication::setFont(large);
    Start({DemoRom()});
    ASSERT_TRUE(RunUntil([this] { return window()->isActiveWindow(); }));
    ASSERT_TRUE(RunFrames(2));
    // Opened at the screen's bottom right corner, the popup stays on the screen.
    const QRect area = window()->screen()->availableGeometry();
    QCursor::setPos(area.bottomRight());
    RunCommand(kCmdVolume);
    ASSERT_NE(qt::OpenedVolumePopup(), nullptr);
    ExpectTextsFit(qt::OpenedVolumePopup(), "volume");
    EXPECT_TRUE(area.contains(qt::OpenedVolumePopup()->frameGeometry()));
    qt::KeyboardDialog keys(window());
    ExpectTextsFit(&keys, "keyboard");
    qt::JoypadDialog pads(window());
    ExpectTextsFit(&pads, "game pads");
    QApplication::setFont(before);
}

#if MORVEL_HAVE_DBUS
// The desktop's side of the freedesktop idle inhibition interface, holding
// the cookies it gave out, or of the portal's, holding the requests that
// asked for idle (called on the bus's own thread).
class ScreenSaverService : public QDBusVirtualObject {
   public:
    size_t Held() {
        std::lock_guard<std::mutex> lock(mutex_);
        return held_.size();
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (call.interface() == "org.freedesktop.portal.Inhibit" && call.member() == "Inhibit" &&
            call.signature() == "sua{sv}") {
            if (call.arguments().at(1).toUInt() & 8) held_.insert(++next_);
            const QString request =
                "/org/freedesktop/portal/desktop/request/" + QString::number(next_);
            return bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        }
        if (call.interface() == "org.freedesktop.portal.Request" && call.member() == "Close") {
            held_.erase(call.path().section('/', -1).toUInt());
            return bus.send(call.createReply());
        }
        if (call.interface() != "org.freedesktop.ScreenSaver") return false;
        if (call.member() == "Inhibit" && call.signature() == "ss") {
            held_.insert(++next_);
            return bus.send(call.createReply(QVariant::fromValue(next_)));
        }
        if (call.member() != "UnInhibit" || call.signature() != "u") return false;
        held_.erase(call.arguments().at(0).toUInt());
        return bus.send(call.createReply());
    }

   private:
    std::mutex mutex_;
    std::set<uint32_t> held_;
    uint32_t next_ = 6;
};

// On a private session bus, the screen saver is held off exactly while the
// game runs: through pause, the loss of the focus, a close, a new cartridge
// and the window's close; by the portal where the ScreenSaver service is absent.
TEST_F(DesktopTest, ScreenSaverWaitsWhileTheGameRuns) {
    std::string file = dataFolder_ + "/bus", address, pid;
    if (std::system(
            ("dbus-daemon --session --fork --print-address=1 --print-pid=1 >" + file).c_str()) != 0)
        GTEST_SKIP() << "no dbus-daemon";
    std::ifstream lines(file);
    ASSERT_TRUE(std::getline(lines, address) && std::getline(lines, pid));
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    QDBusConnection desktop =
        QDBusConnection::connectToBus(QString::fromStdString(address), "desktop");
    ScreenSaverService service;
    for (const char* name : {"org.freedesktop.ScreenSaver", "org.freedesktop.portal.Desktop"}) {
        const bool portal = name[16] == 'p';
        ASSERT_TRUE(desktop.registerService(name));
        ASSERT_TRUE(desktop.registerVirtualObject(
            portal ? "/org/freedesktop/portal/desktop" : "/org/freedesktop/ScreenSaver", &service,
            QDBusConnection::SubPath));
        Start({DemoRom()});
        const std::pair<std::function<void()>, size_t> steps[] = {
            {[] {}, 1},
            {[] { RunCommand(kCmdPause); }, 0},
            {[] { RunCommand(kCmdPause); }, 1},
            {WindowFocusLost, 0},
            {WindowFocusGained, 1},
            {[] { RunCommand(kCmdCloseRom); }, 0},
            {[] { OpenCartridge(DemoRom().c_str()); }, 1},
            {[this] { window()->close(); }, 0},
        };
        int step = 0;
        for (const auto& [act, inhibitions] : steps) {
            act();
            // The program's passes, or once it is closed its events, until the
            // desktop holds what it should.
            for (int i = 0; i < 1000 && service.Held() != inhibitions; ++i) {
                if (!app_->RunPass()) QCoreApplication::processEvents();
                usleep(2000);
            }
            EXPECT_EQ(service.Held(), inhibitions) << name << ", step " << step;
            ++step;
        }
        app_.reset();
        desktop.unregisterService(name);
        desktop.unregisterObject(portal ? "/org/freedesktop/portal/desktop"
                                        : "/org/freedesktop/ScreenSaver");
    }
    kill(std::stoi(pid), SIGTERM);
}
#endif

}  // namespace
}  // namespace morvel::test
