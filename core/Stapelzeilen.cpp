#include "Stapelzeilen.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>

#include "Pfade.h"

namespace zorta {

namespace {

bool leer(char c) {
    return c == ' ' || c == '\t';
}

std::string zuVieleTeile() {
    return "Mehr als " + std::to_string(kTeileHoechstens) + " Teile";
}

enum class Art { Name, Plus, Schalter, Umleitung };
struct Zeichen {
    Art art;
    std::string text;
};

bool zerlegen(const std::string& s, std::vector<Zeichen>* aus, std::string* fehler) {
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (aus->size() > 2 * kTeileHoechstens + 8) {
            *fehler = zuVieleTeile();
            return false;
        }
        if (leer(c)) {
            ++i;
        } else if (c == '+') {
            aus->push_back({Art::Plus, "+"});
            ++i;
        } else if (c == '>') {
            ++i;
            if (i < s.size() && s[i] == '>') {
                *fehler = "Anfügende Umleitung wird nicht unterstützt";
                return false;
            }
            while (i < s.size() && leer(s[i])) ++i;
            std::size_t e = i;
            while (e < s.size() && !leer(s[e])) ++e;
            if (kleinAscii(s.substr(i, e - i)) != "nul") {
                *fehler = "Nur die Umleitung nach nul wird unterstützt";
                return false;
            }
            aus->push_back({Art::Umleitung, "nul"});
            i = e;
        } else if (c == '<' || c == '|' || c == '&') {
            *fehler = std::string("Nicht unterstütztes Zeichen '") + c + "'";
            return false;
        } else {
            // A name, possibly with quoted parts; a '/' outside quotes at its
            // start is a switch.
            std::string name;
            bool zitiert = false;
            const bool schalter = c == '/';
            while (i < s.size() && (zitiert || (!leer(s[i]) && s[i] != '+' && s[i] != '>' &&
                                                s[i] != '<' && s[i] != '|' && s[i] != '&'))) {
                if (s[i] == '"') {
                    zitiert = !zitiert;
                } else {
                    name += s[i];
                }
                ++i;
            }
            if (zitiert) {
                *fehler = "Anführungszeichen nicht geschlossen";
                return false;
            }
            // "2>nul" and "1>nul": the digit names the stream, not a file.
            if ((name == "1" || name == "2") && i < s.size() && s[i] == '>')
                continue;
            aus->push_back({schalter ? Art::Schalter : Art::Name, name});
        }
    }
    return true;
}

// "%%" is how a batch file writes "%". Any other "%" would be expanded by
// cmd ("%COMSPEC%", "%1", "%~dp0"), which this interpreter does not do.
bool prozentLesen(const std::string& roh, std::string* aus, std::string* fehler) {
    aus->clear();
    for (std::size_t i = 0; i < roh.size(); ++i) {
        if (roh[i] == '%' && (i + 1 >= roh.size() || roh[++i] != '%')) {
            *fehler = "Variablen und Parameter mit % werden nicht unterstützt: " + roh;
            return false;
        }
        *aus += roh[i];
    }
    return true;
}

// The name must stay in the folder.
bool nameLesen(const std::string& roh, std::string* name, std::string* fehler) {
    std::string n;
    if (!prozentLesen(roh, &n, fehler))
        return false;
    const auto steuer = std::find_if(n.begin(), n.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
    if (n.empty()) {
        *fehler = "Leerer Dateiname";
    } else if (n.find_first_of("/\\:") != std::string::npos || n == "." || n == "..") {
        *fehler = "Nur Dateinamen ohne Ordner und Laufwerk sind erlaubt: " + n;
    } else if (n.find_first_of("*?<>|") != std::string::npos) {
        *fehler = "Platzhalter und < > | werden nicht unterstützt: " + n;
    } else if (steuer != n.end()) {
        *fehler = "Steuerzeichen im Dateinamen";
    } else {
        *name = std::move(n);
        return true;
    }
    return false;
}

// Checks one line; false with the reason when it lies outside the subset.
bool zeileLesen(std::string_view zeile, Stapelbefehl* aus, bool* kopie, std::string* fehler) {
    std::size_t a = 0;
    while (a < zeile.size() && (zeile[a] == '@' || leer(zeile[a]))) ++a;
    const std::string z = trim(std::string(zeile.substr(a)));
    if (z.empty())
        return true;
    std::size_t w = 0;
    while (w < z.size() && std::isalpha(static_cast<unsigned char>(z[w]))) ++w;
    const std::string befehl = kleinAscii(z.substr(0, w));
    const std::string rest = z.substr(w);
    if (befehl == "rem" && (rest.empty() || leer(rest[0])))
        return true;
    if (befehl == "echo" && (rest.empty() || leer(rest[0]) || rest[0] == '.')) {
        std::string t;
        if (!prozentLesen(trim(rest.empty() ? rest : rest.substr(1)), &t, fehler))
            return false;
        const std::string k = kleinAscii(t);
        if (k != "off" && k != "on")
            aus->echo += t + "\n";
        return true;
    }
    if (befehl == "copy" && (rest.empty() || leer(rest[0]) || rest[0] == '/')) {
        *kopie = true;
        return kopierbefehlLesen(rest, &aus->k, fehler);
    }
    *fehler = "Befehl wird nicht unterstützt: " + z;
    return false;
}

// Whether the line read so far is a copy line.
bool kopierzeile(std::string_view z) {
    std::size_t a = 0;
    while (a < z.size() && (z[a] == '@' || leer(z[a]))) ++a;
    return z.size() >= a + 5 && kleinAscii(std::string(z.substr(a, 4))) == "copy" &&
           (leer(z[a + 4]) || z[a + 4] == '/');
}

}  // namespace

bool Stapelleser::lesen(std::string_view stueck) {
    // Editors add a byte-order mark in front.
    if (anfang_ && stueck.starts_with("\xef\xbb\xbf"))
        stueck.remove_prefix(3);
    anfang_ = false;
    for (const char c : stueck) {
        const bool crLf = crDavor_ && c == '\n';
        crDavor_ = c == '\r';
        if (crLf)
            continue;
        if (c == '\r' || c == '\n') {
            if (!zeileFertig())
                return false;
            continue;
        }
        if (zeile_.empty() && (c == '@' || leer(c)))
            continue;  // what zeileLesen drops anyway
        zeile_ += c;
        ++abschnitt_;
        if (c == '"') {
            zitiert_ = !zitiert_;
        } else if (c == '+' && !zitiert_) {
            abschnitt_ = 0;
            // A copy line has one source more than "+", but in the append
            // form that one is the destination: the exact count follows at
            // the line's end.
            if (++plus_ + teile_ > kTeileHoechstens && kopierzeile(zeile_))
                return zuVieleTeile();
        }
        // No name is longer than a line cmd reads, and only copy lines may
        // be longer, as the files of older versions are.
        if (abschnitt_ > kZeileHoechstens ||
            (zeile_.size() == kZeileHoechstens + 1 && !kopierzeile(zeile_))) {
            return ablehnen("länger als " + std::to_string(kZeileHoechstens) + " Zeichen");
        }
    }
    return true;
}

bool Stapelleser::zeileFertig() {
    std::string z = std::exchange(zeile_, {});
    plus_ = abschnitt_ = 0;
    zitiert_ = false;
    // DOS editors end a file with Ctrl-Z; nothing may follow it.
    const bool nachStrgZ = strgZ_;
    while (!z.empty() && z.back() == '\x1a') {
        z.pop_back();
        strgZ_ = true;
    }
    Stapelbefehl b;
    b.zeile = nummer_;
    bool kopie = false;
    std::string fehler;
    if (nachStrgZ && !trim(z).empty())
        return ablehnen("Text nach Strg-Z");
    if (!zeileLesen(z, &b, &kopie, &fehler))
        return ablehnen(fehler);
    ++nummer_;
    // The DOS append form names its destination first; it is no piece.
    const auto& q = b.k.quellen;
    teile_ += q.size() - (q.size() > 1 && (b.k.ziel.empty() || b.k.ziel == q.front()) ? 1 : 0);
    if (teile_ > kTeileHoechstens)
        return zuVieleTeile();
    if (!kopie) {
        echo_ += b.echo;
        return true;
    }
    b.echo = std::exchange(echo_, {});
    befehle.push_back(std::move(b));
    return true;
}

bool Stapelleser::ende() {
    if (!zeile_.empty() && !zeileFertig())
        return false;
    schlussEcho = std::exchange(echo_, {});
    return true;
}

bool kopierbefehlLesen(const std::string& argumente, Kopierbefehl* befehl, std::string* fehler) {
    std::vector<Zeichen> zeichen;
    if (!zerlegen(argumente, &zeichen, fehler))
        return false;
    Kopierbefehl b;
    bool plusDavor = false;
    for (const auto& z : zeichen) {
        switch (z.art) {
            case Art::Schalter: {
                // "/b/v" is two switches.
                std::size_t a = 0;
                const std::string alle = kleinAscii(z.text);
                while (a < alle.size()) {
                    std::size_t e = alle.find('/', a + 1);
                    if (e == std::string::npos)
                        e = alle.size();
                    const std::string s = alle.substr(a, e - a);
                    if (s != "/b" && s != "/a" && s != "/y" && s != "/v" && s != "/-y") {
                        *fehler = "Unbekannter Schalter " + z.text;
                        return false;
                    }
                    a = e;
                }
                break;
            }
            case Art::Umleitung:
                b.ausgabeVerworfen = true;
                break;
            case Art::Plus:
                if (b.quellen.empty() || plusDavor || !b.ziel.empty()) {
                    *fehler = "Syntaxfehler bei '+'";
                    return false;
                }
                plusDavor = true;
                break;
            case Art::Name: {
                std::string name;
                if (!nameLesen(z.text, &name, fehler))
                    return false;
                if (b.quellen.empty() || plusDavor) {
                    if (!b.ziel.empty()) {
                        *fehler = "Syntaxfehler: Quelle nach dem Ziel";
                        return false;
                    }
                    b.quellen.push_back(std::move(name));
                } else if (b.ziel.empty()) {
                    b.ziel = std::move(name);
                } else {
                    *fehler = "Zu viele Parameter";
                    return false;
                }
                plusDavor = false;
                break;
            }
        }
    }
    if (plusDavor || b.quellen.empty()) {
        *fehler = "Syntaxfehler: Quelle fehlt";
        return false;
    }
    *befehl = std::move(b);
    return true;
}

// Feeds the batch file to `leser` piece by piece; a file above the limit is
// refused unread. A refusal by `leser` ends the reading early.
Fehler stapelLesen(Dateisystem& fs, const std::string& pfad, Stapelleser& leser, bool* zuGross) {
    OffeneDatei datei(fs);
    if (Fehler f = fs.oeffneLesen(pfad, datei.ziel()); !f.ok())
        return f;
    std::int64_t laenge = 0;
    if (Fehler f = fs.laenge(datei.handle(), &laenge); !f.ok())
        return f;
    *zuGross = laenge > static_cast<std::int64_t>(kStapelHoechstens);
    std::string stueck(std::min<std::int64_t>(laenge + 1, 1 << 20), '\0');
    std::size_t gelesen = 0, n = 0;
    while (!*zuGross) {
        if (Fehler f = fs.lesen(datei.handle(), stueck.data(), stueck.size(), &n); !f.ok())
            return f;
        gelesen += n;
        *zuGross = gelesen > kStapelHoechstens;  // grown since
        if (n == 0 || *zuGross || !leser.lesen(std::string_view(stueck.data(), n)))
            break;
    }
    return datei.schliessen();
}

}  // namespace zorta
