// The ROM browser: a two-column list of the images in the "roms" folder that
// covers the client area while no game runs. A double click or Enter loads
// the selected image.
#pragma once

#include <QImage>
#include <QTreeWidget>
#include <QWidget>

namespace morvel::qt {

class RomBrowser : public QWidget {
   public:
    explicit RomBrowser(QWidget* parent);

    // Shows romList (or "No Roms Found" with the list disabled).
    void Refill();
    // Sizes the browser to the parent's client area and the columns to 70 %
    // and 30 % of its width.
    void Fit(int width, int height);
    QTreeWidget* list() const { return list_; }

   protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

   private:
    void LoadSelected();
    QTreeWidget* list_;
};

// The two row icons, drawn rather than loaded: a cartridge for a supported
// board, the same crossed out for an unsupported one.
QIcon SupportedBoardIcon();
QIcon UnsupportedBoardIcon();
// The program's icon (the supported board's cartridge) at size x size
// pixels; the desktop's icon files are made from it at build time.
QImage ProgramIconImage(int size);

}  // namespace morvel::qt
