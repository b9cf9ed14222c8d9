#include "CenterForm.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

QPointF zentriert(const QSizeF& schirm, const QSizeF& fenster) {
    const float oben =
        (static_cast<float>(schirm.height()) - static_cast<float>(fenster.height())) / 2.0f;
    const float links =
        (static_cast<float>(schirm.width()) - static_cast<float>(fenster.width())) / 2.0f;
    return {links, oben};
}

namespace {

void zentrieren(QWidget& fenster) {
    QScreen* schirm = fenster.screen() ? fenster.screen() : QGuiApplication::primaryScreen();
    if (schirm == nullptr)
        return;
    const QRect bereich = schirm->geometry();
    const QRect aussen = fenster.frameGeometry();
    const QPointF p = zentriert(bereich.size(), aussen.size());
    // move() places the outer rectangle's corner.
    fenster.move(bereich.x() + qRound(p.x()), bereich.y() + qRound(p.y()));
}

// Before the window manager has framed a window, its outer rectangle is
// its client area: centre once more as soon as the frame is known.
class Nachzentrieren final : public QObject {
  public:
    explicit Nachzentrieren(QWidget& fenster) : QObject(&fenster), fenster_(fenster) {
        setObjectName(QStringLiteral("Nachzentrieren"));
        fenster.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show) {
            // Gives up when no frame ever comes (no window manager).
            QTimer::singleShot(2000, this, [this] { deleteLater(); });
        } else if ((e->type() == QEvent::Move || e->type() == QEvent::Resize ||
                    e->type() == QEvent::Expose || e->type() == QEvent::UpdateRequest) &&
                   fenster_.isVisible() && fenster_.frameGeometry() != fenster_.geometry()) {
            fenster_.removeEventFilter(this);
            zentrieren(fenster_);
            deleteLater();
        }
        return false;
    }

  private:
    QWidget& fenster_;
};

}  // namespace

void CenterForm(QWidget& fenster) {
    zentrieren(fenster);
    if (fenster.frameGeometry() == fenster.geometry() &&
        !fenster.findChild<QObject*>(QStringLiteral("Nachzentrieren"), Qt::FindDirectChildrenOnly))
        new Nachzentrieren(fenster);
}
