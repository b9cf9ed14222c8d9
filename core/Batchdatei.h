#pragma once

#include <string>

namespace zorta {

// A file name as it stands in a copy line: unchanged, unless the DOS command
// interpreter would split it or treat a character of it specially; such a
// name is written in double quotes.
std::string dosName(const std::string& name);

// The copy line of the rejoin batch file, built while the pieces are written:
// "copy /b A + B + C QUELLE >nul".
class Kopierzeile {
  public:
    void stueckAnfuegen(const std::string& stueckname);
    void abschliessen(const std::string& quellname);
    const std::string& text() const { return text_; }

  private:
    std::string text_ = "copy /b ";
    bool erstes_ = true;
};

// The whole batch file: "@echo off" and the copy line, each ended by CR LF.
std::string batchInhalt(const std::string& kopierzeile);

}  // namespace zorta
