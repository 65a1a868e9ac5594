#include "platform/qt/rom_browser.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include "frontend/front_end.h"
#include "frontend/rom_list.h"

namespace morvel::qt {

namespace {

// A grey cartridge with a label and contacts; its label is green for a board
// that runs, red and crossed out for one that does not.
QImage CartridgeImage(int size, bool supported) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    QPainterPath shell;
    shell.moveTo(5, 3);
    shell.lineTo(27, 3);
    shell.lineTo(27, 25);
    shell.lineTo(24, 25);
    shell.lineTo(24, 29);
    shell.lineTo(8, 29);
    shell.lineTo(8, 25);
    shell.lineTo(5, 25);
    shell.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(QColor(150, 150, 155));
    p.drawPath(shell);
    p.setPen(Qt::NoPen);
    p.setBrush(supported ? QColor(40, 170, 60) : QColor(200, 50, 40));
    p.drawRect(QRectF(8, 6, 16, 12));
    p.setBrush(QColor(200, 170, 60));
    for (int x = 10; x < 23; x += 3) p.drawRect(QRectF(x, 26, 1.5, 3));
    if (!supported) {
        p.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(28, 28));
        p.drawLine(QPointF(28, 4), QPointF(4, 28));
    }
    return image;
}

QIcon CartridgeIcon(bool supported) {
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addPixmap(QPixmap::fromImage(CartridgeImage(size, supported)));
    return icon;
}

}  // namespace

QImage ProgramIconImage(int size) {
    return CartridgeImage(size, true);
}

QIcon SupportedBoardIcon() {
    return CartridgeIcon(true);
}
QIcon UnsupportedBoardIcon() {
    return CartridgeIcon(false);
}

RomBrowser::RomBrowser(QWidget* parent) : QWidget(parent), list_(new QTreeWidget(this)) {
    list_->setObjectName("romList");
    list_->setColumnCount(2);
    list_->setHeaderLabels({"Rom name", "Mapper"});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(QHeaderView::Fixed);
    list_->installEventFilter(this);
    QObject::connect(list_, &QTreeWidget::currentItemChanged, list_,
                     [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
                         TakeSelectedRom(item ? list_->indexOfTopLevelItem(item) : -1);
                     });
    QObject::connect(list_, &QTreeWidget::itemDoubleClicked, list_,
                     [this](QTreeWidgetItem*, int) { LoadSelected(); });
}

void RomBrowser::Refill() {
    list_->clear();
    static const QIcon supported = SupportedBoardIcon();
    static const QIcon unsupported = UnsupportedBoardIcon();
    if (romList.empty()) {
        auto* item = new QTreeWidgetItem(list_, QStringList{"No Roms Found"});
        item->setIcon(0, supported);
        list_->setEnabled(false);
        currentRomPath.clear();
        return;
    }
    for (const RomListEntry& entry : romList) {
        auto* item = new QTreeWidgetItem(list_, QStringList{QString::fromStdString(entry.name),
                                                            QString::fromStdString(entry.board)});
        item->setIcon(0, entry.supported ? supported : unsupported);
    }
    list_->setEnabled(true);
    list_->setCurrentItem(list_->topLevelItem(0));
}

void RomBrowser::Fit(int width, int height) {
    setGeometry(0, 0, width, height);
    list_->setGeometry(0, 0, width, height);
    list_->setColumnWidth(0, width * 70 / 100);
    list_->setColumnWidth(1, width * 30 / 100);
}

bool RomBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto* press = static_cast<QKeyEvent*>(event);
        bool enter = press->key() == Qt::Key_Return || press->key() == Qt::Key_Enter;
        // Alt+Enter is the full-screen accelerator, not a load.
        if (enter && !(press->modifiers() & Qt::AltModifier)) {
            LoadSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RomBrowser::LoadSelected() {
    QTreeWidgetItem* item = list_->currentItem();
    TakeSelectedRom(item ? list_->indexOfTopLevelItem(item) : -1);
    if (currentRomPath.empty()) return;
    std::string path = currentRomPath;
    OpenCartridge(path.c_str());
}

}  // namespace morvel::qt
