#include "CenterForm.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QPointF zentriert(const QSizeF& schirm, const QSizeF& fenster) {
    const float oben =
        (static_cast<float>(schirm.height()) - static_cast<float>(fenster.height())) / 2.0f;
    const float links =
        (static_cast<float>(schirm.width()) - static_cast<float>(fenster.width())) / 2.0f;
    return {links, oben};
}

void CenterForm(QWidget& fenster) {
    QScreen* schirm = fenster.screen() ? fenster.screen() : QGuiApplication::primaryScreen();
    if (schirm == nullptr)
        return;
    const QRect bereich = schirm->geometry();
    const QPointF p = zentriert(bereich.size(), fenster.frameGeometry().size());
    fenster.move(bereich.x() + qRound(p.x()), bereich.y() + qRound(p.y()));
}
