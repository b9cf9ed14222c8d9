#pragma once

#include <QFont>
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

// Paths as the file system spells them, shown and read back unchanged.
QString ausPfad(const std::string& pfad);
std::string zuPfad(const QString& text);
