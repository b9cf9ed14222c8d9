#pragma once

#include <string>
#include <vector>

namespace zorta {

// How zorta-batch hands its result to whoever started it (the window's
// "&Reparatur"), so that nobody has to read the German text to learn it:
// the exit status, one of stapelstatus, and as the last line of its error
// output
//     zorta-ergebnis STATUS BYTES
// where STATUS repeats the exit status and BYTES counts the result lines
// (German, ready to show, each ended by LF) that stand right before it.
struct Stapelergebnis {
    int status = -1;                  // the exit status; -1 when a signal ended the run
    std::vector<std::string> zeilen;  // the result lines, without LF; none without the last line
    bool gekuerzt = false;            // only the end of the lines was kept
};

// What zorta-batch writes to its error output for `status` and its result
// lines `meldung` (each ended by LF).
std::string ergebnisAusgabe(int status, const std::string& meldung);

// The result of a run that ended with `status`, from what was kept of its
// error output (perhaps only its end). Lines are taken only when the last
// line is the result line and agrees with `status`.
Stapelergebnis ergebnisLesen(int status, const std::string& fehlerausgabe);

}  // namespace zorta
