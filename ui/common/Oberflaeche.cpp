#include "Oberflaeche.h"

#include <QEvent>
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

namespace {

class Fokusanzeige final : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* objekt, QEvent* e) override {
        if (e->type() == QEvent::WindowActivate) {
            auto* fenster = static_cast<QWidget*>(objekt);
            fenster->setAttribute(Qt::WA_KeyboardFocusChange);
            if (QWidget* w = fenster->focusWidget())
                w->update();
        }
        return false;
    }
};

}  // namespace

void fokusZeigen(QWidget& fenster) {
    fenster.installEventFilter(new Fokusanzeige(&fenster));
}
