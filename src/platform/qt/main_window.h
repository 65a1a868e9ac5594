// The main window: the menu bar, the picture, the ROM browser over it while no
// game runs, the on-screen message box, dropped files, focus changes and full
// screen.
#pragma once

#include <QMainWindow>
#include <QRect>

namespace morvel::qt {

class PictureView;
class OsdOverlay;
class RomBrowser;

class MainWindow : public QMainWindow {
   public:
    MainWindow();

    PictureView* display() const { return display_; }
    OsdOverlay* osd() const { return osd_; }
    RomBrowser* browser() const { return browser_; }
    bool closed() const { return closed_; }

    void ResizeClient(int width, int height);
    void EnterFullScreen();
    void LeaveFullScreen();
    void ShowBrowser();
    void HideBrowser();

   protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

   private:
    void KeepOnScreen();

    QWidget* client_;
    PictureView* display_;
    RomBrowser* browser_;
    OsdOverlay* osd_;
    QRect windowedGeometry_;
    QPoint windowedPosition_;
    bool closed_ = false;
};

// Installs the window behind the front end, the video output, the on-screen
// messages and the error boxes.
void ConnectHosts(MainWindow* window);

// The window ConnectHosts installed, or null.
MainWindow* CurrentMainWindow();

}  // namespace morvel::qt
