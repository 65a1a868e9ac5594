// The on-screen message box: a small widget over the picture and the ROM
// browser, painted synchronously so it is on screen before the caller waits.
#pragma once

#include <QString>
#include <QWidget>

namespace morvel::qt {

class OsdOverlay : public QWidget {
   public:
    explicit OsdOverlay(QWidget* parent);
    void ShowText(const QString& text);
    QString text() const { return text_; }

   protected:
    void paintEvent(QPaintEvent* event) override;

   private:
    QString text_;
};

}  // namespace morvel::qt
