#pragma once

#include <QFont>
#include <QLabel>
#include <QRect>
#include <QString>

// Twips of the window layouts: 15 to a pixel at 96 dpi.
inline int tw(int twips) {
    return (twips + 7) / 15;
}
inline QRect twRechteck(int links, int oben, int breite, int hoehe) {
    return {tw(links), tw(oben), tw(breite), tw(hoehe)};
}

// The nearest free face for the old Windows fonts: Liberation Sans for
// "MS Sans Serif" and "Arial", Comic Neue for "Comic Sans MS".
enum class Schriftart { MsSansSerif, Arial, ComicSans };
QFont schrift(Schriftart art, double punkte, bool fett = false, bool kursiv = false);

// A control of the fixed window layouts, named like the control (tests find
// it by that name) and placed. Arguments before the parent go to W's
// constructor.
template <typename W, typename... A>
W* steuerelement(QWidget* eltern, const char* name, const QRect& lage, A&&... argumente) {
    auto* w = new W(std::forward<A>(argumente)..., eltern);
    w->setObjectName(QString::fromUtf8(name));
    w->setGeometry(lage);
    return w;
}

// A label that shows its text as it is: paths are never taken for rich text.
QLabel* beschriftung(QWidget* eltern, const char* name, const QString& text, const QRect& lage,
                     const QFont& f);

// Paths as the file system spells them, shown and read back unchanged.
QString ausPfad(const std::string& pfad);
std::string zuPfad(const QString& text);

// The control with the focus shows it as soon as `fenster` is active, not
// only after the first Tab (Qt draws focus frames only after a key moved
// the focus).
void fokusZeigen(QWidget& fenster);
