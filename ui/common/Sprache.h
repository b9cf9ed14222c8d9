#pragma once

// Qt's own dialogs (file types, dates, sizes) speak the language the
// environment names. Where it names none (unset, "C", "POSIX", "C.UTF-8"),
// this names German for them. The character set keeps the value it had, so
// file names and the C library read as before. REQUIRES: called before the
// QApplication exists. True when it named German.
bool deutschOhneSprache();
