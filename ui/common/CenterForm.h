#pragma once

#include <QPointF>
#include <QSizeF>

class QWidget;

// Top-left corner that centres a window of outer size `fenster` on a screen
// of size `schirm`, in single precision and unclamped: a window larger than
// the screen gets a negative position.
QPointF zentriert(const QSizeF& schirm, const QSizeF& fenster);

// Moves the window so that its outer rectangle is centred on the whole
// screen (not only the work area).
void CenterForm(QWidget& fenster);
