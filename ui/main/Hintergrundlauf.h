#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "Anzeige.h"

// Runs one cutting run on a thread of its own, so that the window repaints
// and answers while it copies. The run sees a display that hands every call
// to the window's display on the window's thread: status line and bar are
// merged into at most one pending update, everything else is queued in
// order, and a message box blocks the run until the user has answered it.
// Status line and bar change at most every 40 ms: small pieces go by faster
// than anyone reads, and each repaint costs the copy time.
class Hintergrundlauf final : public QObject, private zorta::Zerlegungsanzeige {
  public:
    // `fenster` must outlive this object and belong to this thread.
    explicit Hintergrundlauf(zorta::Zerlegungsanzeige& fenster, QObject* eltern = nullptr);
    // Cancels a run still going and waits for its end.
    ~Hintergrundlauf() override;

    // Starts `lauf` with the forwarding display; `fertig` runs on this thread
    // once the run has returned. REQUIRES: !laeuft().
    void starten(std::function<void(zorta::Zerlegungsanzeige&)> lauf, std::function<void()> fertig);
    bool laeuft() const { return faden_.joinable(); }
    // The run ends at its next block boundary or prompt.
    void abbrechen() { abbruch_ = true; }
    // While the window asks the user something about the run, the run waits
    // at its next block boundary, and its own boxes wait until fortsetzen().
    void anhalten();
    void fortsetzen();

  private:
    std::string zielverzeichnis() const override { return ziel_; }
    void statuszeile(const std::string& text) override;
    void neuZeichnen() override;
    float fortschrittMaximum() const override { return maximum_; }
    float fortschritt() const override { return fortschritt_; }
    void setzeFortschritt(float position) override;
    void sanduhr(bool an) override;
    void anzeigenLeeren() override;
    void zortaAktiv(bool an) override;
    void meldung(const std::string& text, const std::string& titel, zorta::Symbol s) override;
    bool frage(const std::string& text, const std::string& titel) override;
    bool abbruchGewuenscht() override;

    void imFenster(std::function<void()> f);
    // Shows a modal box in the window thread and waits for its answer.
    bool imFensterWarten(std::function<bool()> box);
    void vormerken();  // REQUIRES: m_ held
    void abgleichen();
    void uebertragen();

    zorta::Zerlegungsanzeige& fenster_;
    std::thread faden_;
    std::atomic<bool> abbruch_{false};
    std::string ziel_;       // read once when the run starts
    float maximum_ = 0;      // likewise
    float fortschritt_ = 0;  // the run's own view of the bar
    QElapsedTimer zuletzt_;  // since the window last took the merged update
    QTimer nachzug_;         // brings the merged update in after the pause

    std::mutex m_;
    std::condition_variable beantwortet_;
    std::condition_variable weiter_;
    bool angehalten_ = false;
    std::function<void()> zurueckgestellt_;  // a box that came while halted
    bool antwortDa_ = false;
    bool antwort_ = false;
    bool verworfen_ = false;  // the window is going: no box is shown any more
    // The merged update for status line and bar.
    std::string status_;
    float stand_ = 0;
    bool statusNeu_ = false, standNeu_ = false, zeichnen_ = false, ausstehend_ = false;
};
