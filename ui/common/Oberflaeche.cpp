#include "Oberflaeche.h"

#include <QFile>

QFont schrift(Schriftart art, double punkte, bool fett, bool kursiv) {
    QFont f(art == Schriftart::ComicSans ? QStringLiteral("Comic Neue")
                                         : QStringLiteral("Liberation Sans"));
    f.setStyleHint(art == Schriftart::ComicSans ? QFont::Cursive : QFont::SansSerif);
    f.setPointSizeF(punkte);
    f.setBold(fett);
    f.setItalic(kursiv);
    return f;
}

QLabel* beschriftung(QWidget* eltern, const char* name, const QString& text, const QRect& lage,
                     const QFont& f) {
    auto* l = steuerelement<QLabel>(eltern, name, lage, text);
    l->setTextFormat(Qt::PlainText);
    l->setFont(f);
    return l;
}

QString ausPfad(const std::string& pfad) {
    return QFile::decodeName(QByteArray::fromStdString(pfad));
}

std::string zuPfad(const QString& text) {
    return QFile::encodeName(text).toStdString();
}
