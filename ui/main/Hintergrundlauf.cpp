#include "Hintergrundlauf.h"

#include <QMetaObject>
#include <utility>

Hintergrundlauf::Hintergrundlauf(zorta::Zerlegungsanzeige& fenster, QObject* eltern)
    : QObject(eltern), fenster_(fenster) {
    nachzug_.setSingleShot(true);
    connect(&nachzug_, &QTimer::timeout, this, [this] { uebertragen(); });
}

Hintergrundlauf::~Hintergrundlauf() {
    if (!faden_.joinable())
        return;
    abbruch_ = true;
    {
        // A run waiting for a box that will never be shown goes on at once.
        std::lock_guard<std::mutex> sperre(m_);
        verworfen_ = true;
    }
    beantwortet_.notify_all();
    weiter_.notify_all();
    faden_.join();
}

void Hintergrundlauf::starten(std::function<void(zorta::Zerlegungsanzeige&)> lauf,
                              std::function<void()> fertig) {
    abbruch_ = false;
    ziel_ = fenster_.zielverzeichnis();
    maximum_ = fenster_.fortschrittMaximum();
    fortschritt_ = fenster_.fortschritt();
    faden_ = std::thread([this, lauf = std::move(lauf), fertig = std::move(fertig)]() mutable {
        lauf(*this);
        // Queued behind every display call of the run.
        QMetaObject::invokeMethod(
            this,
            [this, fertig = std::move(fertig)] {
                faden_.join();
                nachzug_.stop();
                uebertragen();
                if (fertig)
                    fertig();
            },
            Qt::QueuedConnection);
    });
}

void Hintergrundlauf::anhalten() {
    std::lock_guard<std::mutex> sperre(m_);
    angehalten_ = true;
}

void Hintergrundlauf::fortsetzen() {
    std::function<void()> box;
    {
        std::lock_guard<std::mutex> sperre(m_);
        angehalten_ = false;
        box = std::exchange(zurueckgestellt_, nullptr);
    }
    weiter_.notify_all();
    if (box)
        imFenster(std::move(box));
}

bool Hintergrundlauf::abbruchGewuenscht() {
    std::unique_lock<std::mutex> sperre(m_);
    weiter_.wait(sperre, [this] { return !angehalten_ || verworfen_; });
    return abbruch_;
}

void Hintergrundlauf::imFenster(std::function<void()> f) {
    // Dropped by Qt when this object is gone before the call is delivered.
    // A held-back status line and bar come first, so the order stays.
    QMetaObject::invokeMethod(
        this,
        [this, f = std::move(f)] {
            nachzug_.stop();
            uebertragen();
            f();
        },
        Qt::QueuedConnection);
}

void Hintergrundlauf::vormerken() {
    if (ausstehend_)
        return;  // the pending update takes the new state along
    ausstehend_ = true;
    imFenster([this] { abgleichen(); });
}

void Hintergrundlauf::abgleichen() {
    constexpr int kPause = 40;
    if (zuletzt_.isValid() && zuletzt_.elapsed() < kPause) {
        if (!nachzug_.isActive())
            nachzug_.start(kPause - static_cast<int>(zuletzt_.elapsed()));
        return;  // still pending: the run merges into it meanwhile
    }
    uebertragen();
}

void Hintergrundlauf::uebertragen() {
    zuletzt_.start();
    std::string status;
    float stand = 0;
    bool statusNeu = false, standNeu = false, zeichnen = false;
    {
        std::lock_guard<std::mutex> sperre(m_);
        std::swap(status, status_);
        stand = stand_;
        statusNeu = statusNeu_;
        standNeu = standNeu_;
        zeichnen = zeichnen_;
        statusNeu_ = standNeu_ = zeichnen_ = ausstehend_ = false;
    }
    if (statusNeu)
        fenster_.statuszeile(status);
    if (standNeu)
        fenster_.setzeFortschritt(stand);
    if (zeichnen)
        fenster_.neuZeichnen();
}

void Hintergrundlauf::statuszeile(const std::string& text) {
    std::lock_guard<std::mutex> sperre(m_);
    status_ = text;
    statusNeu_ = true;
    vormerken();
}

void Hintergrundlauf::neuZeichnen() {
    std::lock_guard<std::mutex> sperre(m_);
    zeichnen_ = true;
    vormerken();
}

void Hintergrundlauf::setzeFortschritt(float position) {
    fortschritt_ = position;
    std::lock_guard<std::mutex> sperre(m_);
    stand_ = position;
    standNeu_ = true;
    vormerken();
}

void Hintergrundlauf::sanduhr(bool an) {
    imFenster([this, an] { fenster_.sanduhr(an); });
}

void Hintergrundlauf::anzeigenLeeren() {
    imFenster([this] { fenster_.anzeigenLeeren(); });
}

void Hintergrundlauf::zortaAktiv(bool an) {
    imFenster([this, an] { fenster_.zortaAktiv(an); });
}

void Hintergrundlauf::meldung(const std::string& text, const std::string& titel, zorta::Symbol s) {
    (void)imFensterWarten([this, text, titel, s] {
        fenster_.meldung(text, titel, s);
        return true;
    });
}

bool Hintergrundlauf::frage(const std::string& text, const std::string& titel) {
    // A prompt held back while the user cancelled is not shown any more.
    return imFensterWarten(
        [this, text, titel] { return !abbruch_ && fenster_.frage(text, titel); });
}

bool Hintergrundlauf::imFensterWarten(std::function<bool()> box) {
    {
        std::unique_lock<std::mutex> sperre(m_);
        weiter_.wait(sperre, [this] { return !angehalten_ || verworfen_; });
        if (verworfen_)
            return false;
        antwortDa_ = false;
    }
    auto zeigen = [this, box = std::move(box)] {
        const bool antwort = box();
        {
            std::lock_guard<std::mutex> sperre(m_);
            antwort_ = antwort;
            antwortDa_ = true;
        }
        beantwortet_.notify_all();
    };
    // Queued before the window halted the run: it waits for the window's
    // own question to close instead of opening on top of it.
    imFenster([this, zeigen = std::move(zeigen)]() mutable {
        {
            std::lock_guard<std::mutex> sperre(m_);
            if (angehalten_) {
                zurueckgestellt_ = std::move(zeigen);
                return;
            }
        }
        zeigen();
    });
    std::unique_lock<std::mutex> sperre(m_);
    beantwortet_.wait(sperre, [this] { return antwortDa_ || verworfen_; });
    // A window that is going answers no: the run ends instead of going on.
    return antwortDa_ && antwort_;
}
