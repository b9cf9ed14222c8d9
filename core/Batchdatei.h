#pragma once

#include <string>

namespace zorta {

// False for a name that a batch file cannot carry: one with a control
// character (0x00-0x1F, 0x7F), a '"' or a '\'. Windows names never hold
// these, and in a copy line they would end the line, the quotes or the name.
bool batchTauglich(const std::string& name);

// A file name as it stands in a copy line: unchanged, unless the DOS command
// interpreter would split it or treat a character of it specially; such a
// name is written in double quotes, and '%' is doubled, since cmd expands it
// even inside quotes. REQUIRES: batchTauglich(name).
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

// The bytes of the whole batch file: "@echo off" and the copy line, each
// ended by CR LF. cmd reads batch files in the OEM code page, so the UTF-8
// text goes out in code page 850 when every character of it exists there,
// and unchanged otherwise (ASCII is the same either way).
std::string batchInhalt(const std::string& kopierzeile);

}  // namespace zorta
