#include "platform/qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>

#include "core/host.h"
#include "frontend/commands.h"
#include "frontend/front_end.h"
#include "frontend/recent_roms.h"
#include "frontend/rom_list.h"
#include "frontend/settings.h"
#include "input/keyboard.h"
#include "platform/qt/desktop_settings.h"
#include "platform/qt/display_widget.h"
#include "platform/qt/key_codes.h"
#include "platform/qt/menu_table.h"
#include "platform/qt/osd_overlay.h"
#include "platform/qt/rom_browser.h"
#include "platform/qt/volume_popup.h"
#include "video/osd.h"
#include "video/presentation.h"

namespace morvel::qt {

namespace {

MainWindow* mainWindow = nullptr;

// The client area: the picture fills it, the browser covers it while no game
// runs, and the message box sits on top of both.
class ClientArea : public QWidget {
   public:
    explicit ClientArea(QWidget* parent) : QWidget(parent) {}
    std::function<void(int, int)> resized;

   protected:
    void resizeEvent(QResizeEvent*) override {
        if (resized) resized(width(), height());
    }
};

// Dot by Dot shows each console pixel as a square of whole device pixels: on
// a screen of 1.25, 1.5 or 2 device pixels to the logical one, size s gives
// each console pixel the whole number of device pixels nearest s times that
// ratio. Where the ratio is not whole, the client area's edges may fall
// between device pixels: one device pixel more leaves room for the picture
// on whole ones.
QSize DotByDotClientSize(uint32_t s, qreal ratio) {
    int perPixel = std::max(1, qRound(s * ratio));
    int spare = ratio == std::floor(ratio) ? 0 : 1;
    auto logical = [&](int rows) {
        return static_cast<int>(std::ceil((rows * perPixel + spare) / ratio - 1e-6));
    };
    return {logical(256), logical(224)};
}

}  // namespace

MainWindow::MainWindow() {
    setWindowTitle("morvel 0.63 x64");
    setWindowIcon(SupportedBoardIcon());
    // A caption, a system menu and a minimize box: no sizing border, no maximize box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    auto* client = new ClientArea(this);
    client_ = client;
    client_->setObjectName("client");
    display_ = MakePictureView(client_);
    browser_ = new RomBrowser(client_);
    osd_ = new OsdOverlay(client_);
    client->resized = [this](int w, int h) {
        display_->widget()->setGeometry(0, 0, w, h);
        browser_->Fit(w, h);
        osd_->raise();
    };
    setCentralWidget(client_);
    BuildMenuBar(this);
    setAcceptDrops(true);
    qApp->installEventFilter(this);
    mainWindow = this;
}

void MainWindow::ResizeClient(int width, int height) {
    if (fullScreen) return;
    QSize client(width, height);
    if (!nesAspect) client = DotByDotClientSize(windowScale, devicePixelRatioF());
    client_->setFixedSize(client);
    setFixedSize(sizeHint());
    KeepOnScreen();
}

// A window grown to a larger size stays on the screen it is on: it moves up
// and left rather than past the screen's bottom or right edge. Before it is
// shown, the settings place it.
void MainWindow::KeepOnScreen() {
    if (!isVisible() || !screen() || !WindowPositionKnown()) return;
    QRect frame = frameGeometry();
    QPoint inside = OnScreen(frame.topLeft(), frame.size(), screen()->availableGeometry());
    if (inside != frame.topLeft()) move(inside);
}

void MainWindow::EnterFullScreen() {
    windowedGeometry_ = geometry();
    windowedPosition_ = pos();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    client_->setMinimumSize(0, 0);
    client_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    menuBar()->hide();
    setCursor(Qt::BlankCursor);
    QRect screen = this->screen()->geometry();
    showFullScreen();
    // Without a window manager to honour the request, take the screen directly.
    setGeometry(screen);
}

void MainWindow::LeaveFullScreen() {
    showNormal();
    unsetCursor();
    menuBar()->show();
    setGeometry(windowedGeometry_);
}

// The browser paints over the client area as it appears, message box included.
// A picture drawn through OpenGL has a window of its own, which would cover
// the browser: it is hidden meanwhile.
void MainWindow::ShowBrowser() {
    osd_->hide();
    display_->widget()->hide();
    browser_->show();
    browser_->raise();
    browser_->list()->setFocus();
}

void MainWindow::HideBrowser() {
    browser_->hide();
    display_->widget()->show();
    setFocus();
}

// Moved to a screen of another scale, Dot by Dot takes the whole device
// pixels of the new screen; the NES aspect keeps its logical size.
bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::ScreenChangeInternal && !fullScreen && client_->width() > 0)
        ResizeClient(client_->width(), client_->height());
    return QMainWindow::event(event);
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
            WindowFocusGained();
        } else if (OpenedVolumePopup() && OpenedVolumePopup()->isActiveWindow()) {
            // The popup is part of this window: the game goes on as it was.
            runningBeforeFocusLoss = emuRunning;
        } else {
            // Keys released in another program never reach us: forget them all.
            ClearKeyboardState();
            CloseVolumePopup();
            WindowFocusLost();
        }
        RefreshMenus();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (isMinimized()) showNormal();
    CloseVolumePopup();
    QPoint position = fullScreen ? windowedPosition_ : pos();
    if (romLoaded) {
        CloseCartridge();
        if (fullScreen) {
            fullScreen = 0;
            morvel::LeaveFullScreen();
        }
    }
    KeepSettingsCurrent(position);
    if (!SaveSettings(static_cast<int32_t>(romFromCommandLine), WindowPositionKnown()))
        QMessageBox::critical(this, "Error",
                              QString("The settings could not be saved: %1.")
                                  .arg(QString::fromLocal8Bit(settingsError.c_str())));
    closed_ = true;
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    std::string path = urls.first().toLocalFile().toStdString();
    OpenCartridge(path.c_str());
    activateWindow();
    RefreshMenus();
}

// While a game runs, a right click opens the volume popup or closes it, and
// a left click closes it.
void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (emuRunning && event->button() == Qt::RightButton) {
        if (OpenedVolumePopup())
            CloseVolumePopup();
        else
            RunCommand(kCmdVolume);
    } else if (emuRunning && event->button() == Qt::LeftButton) {
        CloseVolumePopup();
    }
    QMainWindow::mousePressEvent(event);
}

// Every key press and release in any of the program's windows keeps the
// keyboard state the controllers and the key capture read, as a keyboard
// device would: a key that is also a menu shortcut does both. Qt hands the
// press of a shortcut key to the shortcut and never to a widget, so presses
// are taken from the ShortcutOverride event that comes first for every key.
// In the main window the two character accelerators act on the keys too.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease ||
        type == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        QWidget* widget = qobject_cast<QWidget*>(watched);
        if (widget && !key->isAutoRepeat())
            SetKeyDown(DikOfKeyEvent(key), type == QEvent::KeyRelease ? 0 : 1);
        // The volume popup takes the keyboard while it is open; its keys are
        // this window's.
        bool ours = widget && (widget->window() == this || widget == OpenedVolumePopup());
        if (type == QEvent::KeyPress && ours && key->text().size() == 1) {
            uint32_t id = CharacterCommand(key->text().at(0).toLatin1());
            if (id) {
                RunCommand(id);
                RefreshMenus();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

MainWindow* CurrentMainWindow() {
    return mainWindow;
}

void ConnectHosts(MainWindow* window) {
    // The hosts' own defaults, taken before the first change and put back
    // when the window goes away.
    static const WindowHost defaultWindowHost = windowHost;
    static const VideoHost defaultVideoHost = videoHost;
    static const OsdDrawFunction defaultOsdDraw = osdDraw;
    static const ErrorReporter defaultErrorBox = showErrorBox;
    mainWindow = window;
    if (!window) {
        windowHost = defaultWindowHost;
        videoHost = defaultVideoHost;
        osdDraw = defaultOsdDraw;
        showErrorBox = defaultErrorBox;
        return;
    }
    windowHost.showRomBrowser = [] { mainWindow->ShowBrowser(); };
    windowHost.hideRomBrowser = [] { mainWindow->HideBrowser(); };
    // A repaint of the whole window paints over the message box too.
    windowHost.repaint = [] {
        mainWindow->osd()->hide();
        mainWindow->update();
        mainWindow->display()->Redraw();
    };
    windowHost.updateMenus = RefreshMenus;
    // The dialog opens on the folder a file was last chosen from, at first
    // (or when that folder is gone) on the roms folder.
    windowHost.chooseRomFile = [](std::string& path) {
        QString folder = QString::fromStdString(lastRomFolder);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            folder = QString::fromStdString(romFolder);
        QString chosen =
            QFileDialog::getOpenFileName(mainWindow, QString(), folder, "NES Files (*.nes)");
        if (chosen.isEmpty()) return 0;
        path = chosen.toStdString();
        NoteRomFolder(QFileInfo(chosen).absolutePath().toStdString());
        return 1;
    };
    windowHost.closeWindow = [] { mainWindow->close(); };
    windowHost.showRomList = [] { mainWindow->browser()->Refill(); };

    videoHost.resizeClient = [](int32_t w, int32_t h) { mainWindow->ResizeClient(w, h); };
    videoHost.show = [](const PresentedPicture& picture) {
        mainWindow->osd()->hide();
        mainWindow->display()->Show(picture);
    };
    videoHost.enterFullScreen = [] { mainWindow->EnterFullScreen(); };
    videoHost.leaveFullScreen = [] { mainWindow->LeaveFullScreen(); };
    videoHost.releasePicture = [] { mainWindow->display()->Forget(); };
    videoHost.updateSizeMenu = RefreshMenus;

    osdDraw = [](const char* text) {
        OsdOverlay* osd = mainWindow->osd();
        osd->ShowText(QString::fromUtf8(text));
        if (mainWindow->display()->widget()->isVisible())
            mainWindow->display()->ShowMessage(osd->grab().toImage(), osd->pos());
    };
    showErrorBox = [](const char* text) {
        QMessageBox::critical(mainWindow, "Error", QString::fromUtf8(text));
    };
}

}  // namespace morvel::qt
