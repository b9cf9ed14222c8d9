#pragma once

#include <cstdint>
#include <string>

namespace zorta {

// False for a name that a batch file cannot carry or that cmd and the batch
// interpreter could not rejoin: one with a control character (0x00-0x1F,
// 0x7F), a '"' or a '\' (they would end the line, the quotes or the name),
// or one of * ? : < > | (wildcards and drives to both readers; no Windows
// file system holds them).
bool batchTauglich(const std::string& name);

// A file name as it stands in a copy line: unchanged, unless the DOS command
// interpreter would split it or treat a character of it specially; such a
// name is written in double quotes, and '%' is doubled, since cmd expands it
// even inside quotes. REQUIRES: batchTauglich(name).
std::string dosName(const std::string& name);

// The bytes of the whole rejoin batch file for the pieces stamm + the piece
// numbers 1 to `anzahl`, joined into `quellname`: "@echo off", then
//   copy /b A.001 + A.002 + A.003 QUELLE >nul
// each line ended by CR LF. cmd reads at most kZeileHoechstens bytes of a
// line, so a longer join is split: the first line copies as many pieces as
// fit, each further one appends the next ones in the DOS form
//   copy /b QUELLE + A.004 + A.005 QUELLE >nul
// cmd reads batch files in the OEM code page, so the text goes out in code
// page 850 when every character of it exists there, and as UTF-8 otherwise
// (ASCII is the same either way); lines are measured in the bytes written.
// False, and nothing set, when the names need code page 850 and iconv
// cannot open it. `inhalt` may be null to learn only the size.
// REQUIRES: batchTauglich of both names, each at most NAME_MAX bytes.
bool batchInhalt(const std::string& stamm, std::int64_t anzahl, const std::string& quellname,
                 std::string* inhalt, std::size_t* groesse = nullptr);

}  // namespace zorta
